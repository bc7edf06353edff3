#include "SKUInfoPrinter.h"
#include "TestSupport.h"
#include "ToolRun.h"
#include "XMLLimits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

ToolRun RunSkuInfo(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), QE_SKUINFO_PATH);
    // Opening a FIFO nobody writes to would wait for ever: a few seconds end it.
    return RunTool(arguments, {std::chrono::seconds(5)});
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string kSample = std::string(QE_SAMPLES_DIR) + "/sku.xml";

} // namespace

TEST(SKUInfoTool, ListsTheSampleAsExpected) {
    const ToolRun run = RunSkuInfo({kSample});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, ReadText(std::string(QE_TESTS_DIR) + "/data/sku.listing.txt"));
}

TEST(SKUInfoTool, FamiliesViewShowsWhatEachHostVariantIsOffered) {
    const ToolRun run = RunSkuInfo({"--families", kSample});
    EXPECT_EQ(run.status, 0);
    // Viewer32 does not exist; the Color family is not listed for Viewer.
    EXPECT_EQ(run.out, "Families named by hosts (2): \"Filters\", \"Color\"\n"
                       "\n"
                       "Offered to each host variant (I: install, B: build)\n"
                       "             \"Editor32\"  \"Editor\"  \"Viewer\"\n"
                       "  \"Filters\"  I           I B       I B\n"
                       "  \"Color\"    I           I B       -\n");
}

TEST(SKUInfoTool, RefusesWhatIsNoDefinition) {
    const std::string scratch = MakeScratchFolder("skuinfo-refuses");
    const std::string fifo = scratch + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string file;
        std::string error;
    } refusals[] = {
        {"/nonexistent/sku.xml", "cannot read /nonexistent/sku.xml"},
        {"/", "not a regular file"},
        {std::string(QE_SAMPLES_DIR) + "/target_path.xml", "no <product> element"},
        {"/dev/null", "/dev/null"},
        {fifo, "cannot read " + fifo + ": not a regular file"},
    };
    for (const auto& refusal : refusals) {
        const ToolRun run = RunSkuInfo({refusal.file});
        EXPECT_EQ(run.status, 1) << refusal.file;
        EXPECT_NE(run.err.find(refusal.error), std::string::npos) << run.err;
    }
    std::filesystem::remove_all(scratch);
}

namespace {

// Runs skuinfo on a temporary file holding `text`.
ToolRun RunOnText(const std::string& text) {
    const std::string scratch = MakeScratchFolder("skuinfo-text");
    const std::string path = scratch + "/sku.xml";
    std::ofstream(path, std::ios::binary) << text;
    const ToolRun run = RunSkuInfo({path});
    std::filesystem::remove_all(scratch);
    return run;
}

} // namespace

TEST(SKUInfoTool, WarnsAboutAMalformedDocumentButListsIt) {
    const std::string product = "<product><sku name=\"Cut\"/>\n";
    std::string deep = product;
    std::string deepInUTF8 = "\xEF\xBB\xBF" + product;
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
        // The lead byte takes the < of the end tag along: every a stays open.
        deepInUTF8 += "<a>\xE0</a>";
    }
    std::string wide = "<product><sku name=\"Cut\"";
    for (unsigned long i = 0; i < 40000; ++i)
        wide += " a" + std::to_string(i) + "=\"\"";
    const struct {
        std::string text;
        std::string warning;
    } cases[] = {
        {product + "<families><family", "warning: /tmp/skuinfo-"},
        {deep, "nested deeper than " + std::to_string(XMLLimits::kMaxDepth) + " levels"},
        {deepInUTF8, "nested deeper than " + std::to_string(XMLLimits::kMaxDepth) + " levels"},
        {wide + "/></product>", "an element with more than " +
                                    std::to_string(XMLLimits::kMaxAttributes) +
                                    " attributes; showing what comes before the excess"},
    };
    for (const auto& c : cases) {
        const ToolRun run = RunOnText(c.text);
        EXPECT_EQ(run.status, 0) << c.warning;
        EXPECT_NE(run.err.find(c.warning), std::string::npos) << run.err.substr(0, 300);
        EXPECT_NE(run.out.find("name       \"Cut\""), std::string::npos) << c.warning;
    }
}

// A reference to NUL stays in the name it is in, shown escaped.
TEST(SKUInfoTool, ShowsNamesHoldingANulEscaped) {
    const ToolRun run = RunOnText(DefinitionText(
        R"(<directory fileName="d&#0;x"><file fileName="f&#0;"><shortCut name="s&#0;x" dir="D&#0;"/>
           </file></directory>)",
        R"(<hosts><host name="H&#0;x"/></hosts>)"));
    EXPECT_EQ(run.status, 0) << run.err;
    for (const std::string shown : {R"(names     "H\x00x")", R"(  dir  "d\x00x")",
                                    R"(    file "f\x00"  shortcut "s\x00x" in "D\x00")"})
        EXPECT_NE(run.out.find(shown + "\n"), std::string::npos) << shown << "\n" << run.out;
}

TEST(SKUInfoTool, RefusesADefinitionPastANodeLimit) {
    std::string many = R"(<product><sku name="Many"/>)";
    for (unsigned long i = 0; i < XMLLimits::kMaxNodes; ++i)
        many += "<a/>";
    // 998 levels add up to about 500,000; each leaf is at 1,000.
    std::string deep = R"(<product><sku name="Deep"/>)";
    for (int level = 0; level < 998; ++level)
        deep += "<d>";
    for (int leaf = 0; leaf < 31600; ++leaf)
        deep += "<f/>";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {many + "</product>", "more than 1000000 nodes"},
        {deep, "nodes whose depths add up to more than 32000000"},
    };
    for (const auto& c : cases) {
        const ToolRun run = RunOnText(c.text);
        EXPECT_EQ(run.status, 1) << c.error;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(": " + c.error + ", more than a definition may hold; not read\n"),
                  std::string::npos)
            << run.err;
    }
}

TEST(SKUInfoTool, WrongCommandLineGivesUsage) {
    EXPECT_EQ(RunSkuInfo({}).status, 2);
    EXPECT_EQ(RunSkuInfo({"a.xml", "b.xml"}).status, 2);
    const ToolRun run = RunSkuInfo({"--bogus"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("usage: skuinfo [--families] FILE", 0), 0u);
    EXPECT_EQ(RunSkuInfo({"--families"}).status, 2);
    EXPECT_EQ(RunSkuInfo({"--help"}).status, 0);
}

TEST(SKUInfoPrinter, QuotesAndEscapes) {
    EXPECT_EQ(SKUInfoPrinter::Quoted(QeString()), "\"\"");
    EXPECT_EQ(SKUInfoPrinter::Quoted(QeString(" a\"b\\ ")), "\" a\\\"b\\\\ \"");
    EXPECT_EQ(SKUInfoPrinter::Quoted(QeString("a\nb\0c", 5)), "\"a\\x0ab\\x00c\"");
}

TEST(SKUInfoPrinter, SetBitsAsRanges) {
    EXPECT_EQ(SKUInfoPrinter::SetBits(QeBitSet()), "none");
    EXPECT_EQ(SKUInfoPrinter::SetBits(QeBitSet(QeString("0"))), "none");
    EXPECT_EQ(SKUInfoPrinter::SetBits(QeBitSet(QeString("1F"))), "0-4");
    EXPECT_EQ(SKUInfoPrinter::SetBits(QeBitSet(QeString("8D"))), "0, 2-3, 7");
}
