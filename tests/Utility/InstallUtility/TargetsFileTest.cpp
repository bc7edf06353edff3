#include "TargetsFile.h"
#include "ScratchTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

std::string Listing(const std::vector<TargetsFile::Target>& targets) {
    std::string listing;
    for (const TargetsFile::Target& t : targets) {
        listing += listing.empty() ? "" : "; ";
        listing += (t.host.IsSet() ? "host " + Text(t.host) : "name " + Text(t.name)) + " " +
                   Text(t.path) + " @" + std::to_string(t.row);
    }
    return listing;
}

// What a reader that had already read another file makes of `text`: its
// targets, or "refused: " and the error. Loading the same text from a file
// must give the same.
class TargetsText : public scratch::ScratchTree {
protected:
    std::string Read(const std::string& text) {
        const std::string parsed = Outcome(
            text, [&](TargetsFile& file, std::string& error) { return file.parse(text, error); });
        std::ofstream(P("target_path.xml"), std::ios::binary) << text;
        EXPECT_EQ(Outcome(text,
                          [&](TargetsFile& file, std::string& error) {
                              return file.fromFile(P("target_path.xml").c_str(), error);
                          }),
                  parsed)
            << text;
        return parsed;
    }

    void ExpectReadings(const std::vector<std::pair<std::string, std::string>>& cases) {
        for (const auto& [text, expected] : cases)
            EXPECT_EQ(Read(text), expected) << text;
    }

private:
    template <class Load> std::string Outcome(const std::string& text, Load load) {
        TargetsFile file;
        std::string error;
        EXPECT_TRUE(file.parse(R"(<targets><target host="Old" path="/old"/></targets>)", error));
        const bool read = load(file, error);
        EXPECT_EQ(read, error.empty()) << text;
        if (read)
            return Listing(file.targets);
        EXPECT_TRUE(file.targets.empty()) << text;
        return "refused: " + error;
    }
};

std::string OneTarget(const std::string& attributes) {
    return "<targets>\n<target " + attributes + "/>\n</targets>";
}

} // namespace

TEST_F(TargetsText, ReadsEveryTargetInDocumentOrder) {
    ExpectReadings({
        {"<targets/>", ""},
        {R"(<?xml version="1.0"?>
<!-- where -->
<targets>
  text <!-- a comment --> <![CDATA[<target/>]]>
  <target host="Editor" path="/A &amp; B/Plug-ins" extra="ignored"/>
  <target name="Docs" path="/Docs"><anything/></target>
  <target host="Editor" path="//a//b/"/>
</targets>)",
         "host Editor /A & B/Plug-ins @5; name Docs /Docs @6; host Editor //a//b/ @7"},
        {OneTarget(R"(host="H" path="/.a/..b/a.")"), "host H /.a/..b/a. @2"},
    });
}

TEST_F(TargetsText, RefusesADocumentThatDoesNotParse) {
    ExpectReadings({
        {"", "refused: Error document empty."},
        {"<targets>\n<target host=\"H\" path=\"/a\">\n</targets>",
         "refused: line 3: Error reading end tag."},
        {OneTarget(R"(host="H" host="I" path="/a")"), "refused: line 2: Error parsing Element."},
    });
}

TEST_F(TargetsText, TheOnlyTopLevelElementIsTargets) {
    ExpectReadings({
        {"<?xml version=\"1.0\"?><!-- nothing -->", "refused: no <targets> element"},
        {"\n<target host=\"H\" path=\"/a\"/>", "refused: line 2: the root element is <target>, "
                                               "not <targets>"},
        {"<Targets/>", "refused: line 1: the root element is <Targets>, not <targets>"},
        {"<targets/>\n<targets><target host=\"H\" path=\"/a\"/></targets>",
         "refused: line 2: a second top-level element <targets>"},
    });
}

TEST_F(TargetsText, RefusesElementsOtherThanTarget) {
    ExpectReadings({
        {"<targets>\n<target host=\"H\" path=\"/a\"/>\n<tar host=\"H\" path=\"/b\"/></targets>",
         "refused: line 3: unknown element <tar>"},
    });
}

TEST_F(TargetsText, ATargetHasExactlyOneOfHostAndNameAndAPath) {
    ExpectReadings({
        {OneTarget(R"(host="H" name="N" path="/a")"),
         "refused: target 1 (host \"H\", line 2): has both host "
         "and name"},
        {OneTarget(R"(path="/a")"),
         "refused: target 1 (path \"/a\", line 2): has neither host nor name"},
        {OneTarget(R"(host="" path="/a")"),
         "refused: target 1 (host \"\", line 2): has an empty host"},
        {OneTarget(R"(name="" path="/a")"),
         "refused: target 1 (name \"\", line 2): has an empty name"},
        {OneTarget(R"(name="N&#0;x" path="/a")"),
         "refused: target 1 (name \"N\\x00x\", line 2): name holds a NUL "
         "byte"},
        {OneTarget(R"(host="H")"), "refused: target 1 (host \"H\", line 2): has no path"},
    });
}

TEST_F(TargetsText, APathIsAbsoluteWithoutDotComponentsAndNotTheRoot) {
    const std::string first = "<targets>\n<target host=\"H\" path=\"/ok\"/>\n";
    ExpectReadings({
        {first + "<target host=\"H\" path=\"Plug-ins\"/></targets>",
         "refused: target 2 (host \"H\", line 3): path \"Plug-ins\" is not absolute"},
        {OneTarget(R"(host="H" path="")"),
         "refused: target 1 (host \"H\", line 2): path \"\" is not absolute"},
        {OneTarget(R"(host="H" path="/")"),
         "refused: target 1 (host \"H\", line 2): path \"/\" is the root"},
        {OneTarget(R"(host="H" path="///")"),
         "refused: target 1 (host \"H\", line 2): path \"///\" is the root"},
        {OneTarget(R"(host="H" path="/a/../b")"),
         "refused: target 1 (host \"H\", line 2): path \"/a/../b\" has a \"..\" component"},
        {OneTarget(R"(host="H" path="/a/./")"),
         "refused: target 1 (host \"H\", line 2): path \"/a/./\" has a \".\" component"},
        {OneTarget(R"(host="H" path="/a&#0;/..")"),
         "refused: target 1 (host \"H\", line 2): path holds a NUL byte"},
    });
}

TEST_F(TargetsText, NamedTargetsHaveDistinctNames) {
    const std::string docs = "<target name=\"Docs\" path=\"/a\"/>\n";
    const std::string host = "<target host=\"H\" path=\"/h\"/>\n";
    ExpectReadings({
        {"<targets>\n" + host + host + "</targets>", "host H /h @2; host H /h @3"},
        {"<targets>\n" + docs + "<target name=\"docs\" path=\"/b\"/></targets>",
         "name Docs /a @2; name docs /b @3"},
        {"<targets>\n" + docs + host + "<target name=\"Docs\" path=\"/b\"/></targets>",
         "refused: target 3 (name \"Docs\", line 4): name \"Docs\" is already that of target 1"},
    });
}

TEST_F(TargetsText, RefusesAFileALimitCut) {
    std::string deep = "<targets><target host=\"H\" path=\"/a\">";
    for (int level = 0; level < 1000; ++level)
        deep += "<x>";
    std::string wide = "<targets><target host=\"H\" path=\"/a\"";
    for (int attribute = 0; attribute < 62; ++attribute)
        wide += " a" + std::to_string(attribute) + "=\"\"";
    ExpectReadings({
        {deep, "refused: elements nested deeper than 1000"},
        {wide + "/></targets>", "host H /a @1"},
        {wide + " over=\"\"/></targets>", "refused: an element with more than 64 attributes"},
    });
}

TEST(TargetsFile, NamedTargetIsFoundByItsExactName) {
    TargetsFile file;
    std::string error;
    ASSERT_TRUE(file.parse(R"(<targets><target host="H" path="/h"/>
        <target name="Docs" path="/d"/></targets>)",
                           error));
    ASSERT_NE(file.namedTarget("Docs"), nullptr);
    EXPECT_EQ(Text(file.namedTarget("Docs")->path), "/d");
    EXPECT_EQ(file.namedTarget("docs"), nullptr);
    EXPECT_EQ(file.namedTarget(""), nullptr);
}

using TargetsFileOnDisk = scratch::ScratchTree;

TEST_F(TargetsFileOnDisk, ReadsTheSampleWhole) {
    TargetsFile file;
    std::string error;
    ASSERT_TRUE(file.fromFile(QE_SAMPLES_DIR "/target_path.xml", error)) << error;
    EXPECT_EQ(Listing(file.targets), "host Editor /Applications/Qe Editor/Plug-ins @4; "
                                     "host Editor32 /Applications/Qe Editor 32/Plug-ins @5; "
                                     "host Viewer /Applications/Qe Viewer/Plug-ins @6; "
                                     "name Documentation /Library/Documentation/Qe Studio @7");
}

TEST_F(TargetsFileOnDisk, RefusesWhatIsNotAReadableRegularFile) {
    Make({"folder/", "fifo|"});
    for (const std::string name : {"missing.xml", "folder", "fifo"}) {
        const std::string path = P(name);
        // Should the read block, a writer that opens and closes the FIFO
        // releases it, so the test fails rather than hangs.
        auto reading = std::async(std::launch::async, [&path] {
            TargetsFile file;
            std::string error;
            const bool read = file.fromFile(path.c_str(), error);
            return read ? std::string("read") : error;
        });
        const bool finished =
            reading.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        if (!finished)
            close(open(path.c_str(), O_WRONLY | O_NONBLOCK));
        EXPECT_TRUE(finished) << name;
        EXPECT_EQ(reading.get(), "\"" + path + "\" is not a readable regular file");
    }
}
