// BundleOrigin: the copy's record of its original, read only as it was written.
#include "BundleOrigin.h"
#include "ScratchTree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class BundleOriginTest : public scratch::ScratchTree {
protected:
    void SetUp() override { Make({"Copy.app/Contents/MacOS/"}); }
    std::string Record() const { return P("Copy.app/Contents/OriginalBundle"); }
    void WriteRecord(const std::string& text) const {
        std::ofstream(Record(), std::ios::binary) << text;
    }
};

TEST_F(BundleOriginTest, WhatIsRecordedIsReadBack) {
    ASSERT_TRUE(BundleOrigin::Record(P("Copy.app"), "/usr/lib/Qe/Uninstall.app"));
    EXPECT_EQ(BundleOrigin::Read(P("Copy.app")), "/usr/lib/Qe/Uninstall.app");
    // A second record replaces the first, as when a copy is copied again.
    ASSERT_TRUE(BundleOrigin::Record(P("Copy.app"), "/A.app"));
    EXPECT_EQ(BundleOrigin::Read(P("Copy.app")), "/A.app");
}

TEST_F(BundleOriginTest, OnlyAnAbsolutePathIsRecorded) {
    for (const std::string& original :
         {std::string("relative.app"), std::string(), std::string("/a\0b", 4),
          "/" + std::string(BundleOrigin::kMaxPathLength, 'a')})
        EXPECT_FALSE(BundleOrigin::Record(P("Copy.app"), original)) << original;
}

TEST_F(BundleOriginTest, ARecordThatIsNotAPlainPathIsNone) {
    const struct {
        const char* what;
        std::string text;
    } texts[] = {
        {"empty", ""},
        {"relative", "Uninstall.app"},
        {"with a NUL", std::string("/a\0b", 4)},
        {"too long", "/" + std::string(BundleOrigin::kMaxPathLength, 'a')},
    };
    for (const auto& t : texts) {
        WriteRecord(t.text);
        EXPECT_EQ(BundleOrigin::Read(P("Copy.app")), std::nullopt) << t.what;
    }
    unlink(Record().c_str());
    EXPECT_EQ(BundleOrigin::Read(P("Copy.app")), std::nullopt) << "missing";
    Make({"elsewhere"});
    std::ofstream(P("elsewhere")) << "/A.app";
    symlink(P("elsewhere").c_str(), Record().c_str());
    EXPECT_EQ(BundleOrigin::Read(P("Copy.app")), std::nullopt) << "a link";
    unlink(Record().c_str());
    mkfifo(Record().c_str(), 0600);
    EXPECT_EQ(BundleOrigin::Read(P("Copy.app")), std::nullopt) << "a FIFO";
    // Writing does not go through a link either.
    unlink(Record().c_str());
    symlink(P("elsewhere").c_str(), Record().c_str());
    EXPECT_FALSE(BundleOrigin::Record(P("Copy.app"), "/B.app"));
    std::ifstream in(P("elsewhere"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "/A.app");
}

} // namespace
