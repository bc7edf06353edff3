// EntryLook: what an entry is, whether it may be touched, what a folder holds,
// told without changing anything and without following a link.
#include "EntryLook.h"

#include "Descriptor.h"
#include "ScratchTree.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

using Kind = EntryLook::Kind;
using Status = EntryResult::Status;

class EntryLookTest : public scratch::ScratchTree {
protected:
    EntryLookTest() { Make({"t/"}); }
    ~EntryLookTest() override { chmod(P("t").c_str(), 0700); }
    Descriptor Open() const { return Descriptor(open(P("t").c_str(), O_RDONLY | O_DIRECTORY)); }
};

TEST_F(EntryLookTest, KindIsTheEntryItself) {
    Make({"t/file", "t/folder/", "t/fifo|", "t/toFolder->folder", "t/dangling->none"});
    const struct {
        const char* name;
        Status status;
        Kind kind;
    } cases[] = {
        {"file", Status::Done, Kind::Other},    {"fifo", Status::Done, Kind::Other},
        {"folder", Status::Done, Kind::Folder}, {"toFolder", Status::Done, Kind::Link},
        {"dangling", Status::Done, Kind::Link}, {"none", Status::Absent, Kind::Absent},
        {"..", Status::Failed, Kind::Absent},   {"folder/x", Status::Failed, Kind::Absent},
        {"", Status::Failed, Kind::Absent},
    };
    const Descriptor folder = Open();
    for (const auto& c : cases) {
        Kind kind = Kind::Other;
        EXPECT_EQ(EntryLook::KindOf(folder.Get(), c.name, kind).status, c.status) << c.name;
        EXPECT_EQ(kind, c.kind) << c.name;
    }
}

TEST_F(EntryLookTest, FolderHoldsOnlyWhatGoes) {
    Make({"t/empty/", "t/one/x", "t/two/x", "t/two/y", "t/file", "t/link->one"});
    const struct {
        const char* name;
        bool holdsOnly;
    } cases[] = {
        {"empty", true}, {"one", true},   {"two", false},
        {"file", false}, {"link", false}, {"none", false},
    };
    const Descriptor folder = Open();
    for (const auto& c : cases)
        EXPECT_EQ(EntryLook::HoldsOnly(folder.Get(), c.name, {"x"}), c.holdsOnly) << c.name;
}

TEST_F(EntryLookTest, WhyNoRealFolderNamesALink) {
    Make({"t/file", "t/link->file"});
    const Descriptor folder = Open();
    EXPECT_EQ(EntryLook::NotARealFolder(folder.Get(), "link").Reason(), "a symbolic link");
    EXPECT_EQ(EntryLook::NotARealFolder(folder.Get(), "file").Reason(), "not a folder");
    EXPECT_EQ(EntryLook::NotARealFolder(folder.Get(), "none").status, Status::Kept);
}

// Only in a folder every user may write to does the owner count.
TEST_F(EntryLookTest, GuardHoldsInAFolderEveryoneMayWriteTo) {
    Make({"t/own"});
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        Make({"t/theirs"});
        ASSERT_EQ(lchown(P("t/theirs").c_str(), 65534, 65534), 0);
    }
    const struct {
        mode_t mode;
        const char* name;
        Status status;
        bool needsRoot;
    } cases[] = {
        {0700, "own", Status::Done, false},      {0700, "none", Status::Done, false},
        {0777, "own", Status::Done, false},      {0777, "none", Status::Absent, false},
        {0700, "theirs", Status::Done, true},    {0777, "theirs", Status::Failed, true},
        {01777, "theirs", Status::Failed, true},
    };
    for (const auto& c : cases) {
        if (c.needsRoot && !asRoot)
            continue;
        ASSERT_EQ(chmod(P("t").c_str(), c.mode), 0);
        const Descriptor folder = Open();
        EXPECT_EQ(EntryLook::Guard(folder.Get(), c.name, FolderTrust::ForThisProcess()).status,
                  c.status)
            << c.name << " in " << std::oct << c.mode;
    }
}

} // namespace
