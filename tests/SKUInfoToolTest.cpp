#include "SKUInfoPrinter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ToolRun {
    int status;
    std::string output;
};

// Runs skuinfo through the shell with the given arguments, capturing
// standard output and standard error together.
ToolRun RunTool(const std::string& arguments) {
    const std::string command = std::string(QE_SKUINFO_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {-1, ""};
    std::string output;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
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
    const ToolRun run = RunTool("'" + kSample + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, ReadText(std::string(QE_TESTS_DIR) + "/data/sku.listing.txt"));
}

TEST(SKUInfoTool, RefusesWhatIsNoDefinition) {
    ToolRun run = RunTool("/nonexistent/sku.xml");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("cannot read /nonexistent/sku.xml"), std::string::npos);

    run = RunTool("/");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("not a regular file"), std::string::npos);

    run = RunTool("'" + std::string(QE_SAMPLES_DIR) + "/target_path.xml'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("no <product> element"), std::string::npos);

    run = RunTool("/dev/null");
    EXPECT_EQ(run.status, 1);
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
    ToolRun run = written ? RunTool(path) : ToolRun{-1, ""};
    unlink(path);
    return run;
}

} // namespace

TEST(SKUInfoTool, WarnsAboutAMalformedDocumentButListsIt) {
    ToolRun run = RunOnText("<product><sku name=\"Cut\"/>\n<families><family");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("warning: /tmp/skuinfo-"), std::string::npos);
    EXPECT_NE(run.output.find("name       \"Cut\""), std::string::npos);

    std::string deep = "<product><sku name=\"Deep\"/>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    run = RunOnText(deep);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("nested deeper than 10000 levels"), std::string::npos);
    EXPECT_NE(run.output.find("name       \"Deep\""), std::string::npos);
}

TEST(SKUInfoTool, WrongCommandLineGivesUsage) {
    EXPECT_EQ(RunTool("").status, 2);
    EXPECT_EQ(RunTool("a.xml b.xml").status, 2);
    const ToolRun run = RunTool("--bogus");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output.rfind("usage: skuinfo FILE", 0), 0u);
    EXPECT_EQ(RunTool("--help").status, 0);
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
