#include "SKUInfoPrinter.h"
#include "ToolRun.h"
#include "XMLNestingLimit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ToolRun RunSkuInfo(const std::string& arguments) {
    return RunTool(QE_SKUINFO_PATH, arguments);
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
    const ToolRun run = RunSkuInfo("'" + kSample + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, ReadText(std::string(QE_TESTS_DIR) + "/data/sku.listing.txt"));
}

TEST(SKUInfoTool, FamiliesViewShowsWhatEachHostVariantIsOffered) {
    const ToolRun run = RunSkuInfo("--families '" + kSample + "'");
    EXPECT_EQ(run.status, 0);
    // Viewer32 does not exist; the Color family is not listed for Viewer.
    EXPECT_EQ(run.output, "Families named by hosts (2): \"Filters\", \"Color\"\n"
                          "\n"
                          "Offered to each host variant (I: install, B: build)\n"
                          "             \"Editor32\"  \"Editor\"  \"Viewer\"\n"
                          "  \"Filters\"  I           I B       I B\n"
                          "  \"Color\"    I           I B       -\n");
}

TEST(SKUInfoTool, RefusesWhatIsNoDefinition) {
    ToolRun run = RunSkuInfo("/nonexistent/sku.xml");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("cannot read /nonexistent/sku.xml"), std::string::npos);

    run = RunSkuInfo("/");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("not a regular file"), std::string::npos);

    run = RunSkuInfo("'" + std::string(QE_SAMPLES_DIR) + "/target_path.xml'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("no <product> element"), std::string::npos);

    run = RunSkuInfo("/dev/null");
    EXPECT_EQ(run.status, 1);

    // Nothing writes to the FIFO: opening it to read would wait for ever, so
    // the run is ended after a few seconds (status 124) if it waits.
    const std::string fifo = "/tmp/skuinfo-fifo-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    run = RunTool("timeout 5 " QE_SKUINFO_PATH, fifo);
    unlink(fifo.c_str());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("cannot read " + fifo + ": not a regular file"), std::string::npos);
}

namespace {

// Runs skuinfo on a temporary file holding `text`.
ToolRun RunOnText(const std::string& text) {
    char path[] = "/tmp/skuinfo-XXXXXX";
    const int descriptor = mkstemp(path);
    if (descriptor < 0)
        return {-1, ""};
    const bool written = write(descriptor, text.data(), text.size()) == ssize_t(text.size());
    close(descriptor);
    ToolRun run = written ? RunSkuInfo(path) : ToolRun{-1, ""};
    unlink(path);
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
        {deep, "nested deeper than " + std::to_string(XMLNestingLimit::kMaxDepth) + " levels"},
        {deepInUTF8,
         "nested deeper than " + std::to_string(XMLNestingLimit::kMaxDepth) + " levels"},
        {wide + "/></product>", "an element with more than " +
                                    std::to_string(XMLNestingLimit::kMaxAttributes) +
                                    " attributes; showing what comes before the excess"},
    };
    for (const auto& c : cases) {
        const ToolRun run = RunOnText(c.text);
        EXPECT_EQ(run.status, 0) << c.warning;
        EXPECT_NE(run.output.find(c.warning), std::string::npos) << run.output.substr(0, 300);
        EXPECT_NE(run.output.find("name       \"Cut\""), std::string::npos) << c.warning;
    }
}

TEST(SKUInfoTool, WrongCommandLineGivesUsage) {
    EXPECT_EQ(RunSkuInfo("").status, 2);
    EXPECT_EQ(RunSkuInfo("a.xml b.xml").status, 2);
    const ToolRun run = RunSkuInfo("--bogus");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output.rfind("usage: skuinfo [--families] FILE", 0), 0u);
    EXPECT_EQ(RunSkuInfo("--families").status, 2);
    EXPECT_EQ(RunSkuInfo("--help").status, 0);
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
