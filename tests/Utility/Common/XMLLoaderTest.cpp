#include "XMLLoader.h"
#include "DocumentExtent.h"
#include "Internal/XMLPreScan.h"
#include "TestSupport.h"
#include "ToolRun.h"
#include "XMLParser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const std::string kByteOrderMark = "\xEF\xBB\xBF";

// Every node with its place in the text, and each element's attributes.
std::string Nodes(const TiXmlDocument& document) {
    std::string out;
    std::vector<const TiXmlNode*> pending{&document};
    while (!pending.empty()) {
        const TiXmlNode* node = pending.back();
        pending.pop_back();
        out += std::to_string(node->Type()) + ":" + node->ValueStr() + "@" +
               std::to_string(node->Row()) + "," + std::to_string(node->Column());
        if (const TiXmlElement* element = node->ToElement()) {
            for (const TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next())
                out += " " + a->NameTStr() + "=" + a->ValueStr();
        }
        out += "\n";
        for (const TiXmlNode* child = node->LastChild(); child != nullptr;
             child = child->PreviousSibling())
            pending.push_back(child);
    }
    return out;
}

std::string LoadResult(const TiXmlDocument& document) {
    return Nodes(document) + "error " + std::to_string(document.ErrorId()) + " at " +
           std::to_string(document.ErrorRow()) + "," + std::to_string(document.ErrorCol()) + ": " +
           document.ErrorDesc();
}

FILE* FileHolding(const std::string& content) {
    FILE* file = std::tmpfile();
    if (file != nullptr)
        std::fwrite(content.data(), 1, content.size(), file);
    return file;
}

} // namespace

TEST(XMLNestingLimitLoadFile, GivesWhatTheLibrarysOwnLoadGives) {
    const std::string texts[] = {
        "<p a=\"1\">\r\n<q/>\r<r>x\r\ny</r>\n</p>",
        "<p a=\"x\ry\r\nz\"/>\r",
        "\r\r\n<p>\r\n\r\n<q a=></p>",
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<p>\t<q>text</q></p>",
        "<p/>\r<q/>",
        std::string("<p>\r\n</p>\0<q/>\r\n", 15),
        "\r\n",
        "",
        "<p><q></p>",
        // Nothing readable: the document's own place is cleared too.
        std::string("\0<p/>", 5),
        // Shorter line ends leave old bytes after the text, which the library
        // steps into from a lead byte.
        "\xEF\xBB\xBF<a>\r\n\r\n\r\n\r\n\r\nxy\xF0\r\nb",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        FILE* file = FileHolding(text);
        ASSERT_NE(file, nullptr);
        std::rewind(file);
        TiXmlDocument expected;
        expected.LoadFile(file, TIXML_ENCODING_UNKNOWN);
        // Read from the start wherever the file stands, into a document that
        // held something before.
        std::fseek(file, 0, SEEK_END);
        TiXmlDocument loaded;
        loaded.Parse("<old/>");
        EXPECT_TRUE(XMLLoader::LoadFile(loaded, file));
        EXPECT_EQ(LoadResult(loaded), LoadResult(expected));
        std::fclose(file);
    }
}

TEST(XMLNestingLimitLoadFile, ReadsUpToTheLimitAndSaysSo) {
    std::string deep;
    for (unsigned long i = 0; i <= XMLLimits::kMaxDepth; ++i)
        deep += "<d>";
    FILE* file = FileHolding("<p a=\"1\"/>\r\n" + deep);
    ASSERT_NE(file, nullptr);
    TiXmlDocument document;
    EXPECT_FALSE(XMLLoader::LoadFile(document, file));
    ASSERT_NE(document.FirstChildElement("p"), nullptr);
    EXPECT_EQ(document.FirstChild("d")->Row(), 2);
    std::fclose(file);
    // Past a NUL nothing is read, but the nesting there is still reported.
    file = FileHolding(std::string("<p/>\0", 5) + deep);
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(XMLLoader::LoadFile(document, file));
    EXPECT_EQ(document.FirstChild("d"), nullptr);
    std::fclose(file);
}

TEST(XMLNestingLimitLoadFile, KeepsToBothLimitsAndSaysWhichCutTheFile) {
    // Line ends are made LF before the library reads the text; after that a
    // lead byte takes the `<` of each end tag along, and every `a` stays open.
    std::string unclosed = kByteOrderMark;
    for (unsigned long i = 0; i <= XMLLimits::kMaxDepth; ++i)
        unclosed += "<a>\xE0\r\n</a>";
    std::string attributes = "<p";
    for (unsigned long i = 0; i <= XMLLimits::kMaxAttributes; ++i)
        attributes += " a" + std::to_string(i) + "=''";
    const struct {
        std::string text;
        XMLLimits::Cut cut;
    } cases[] = {
        {unclosed, XMLLimits::Cut::Depth},
        {attributes + "/>", XMLLimits::Cut::Attributes},
        {"<p a='1'/>", XMLLimits::Cut::None},
    };
    for (const auto& c : cases) {
        FILE* file = FileHolding(c.text);
        ASSERT_NE(file, nullptr);
        TiXmlDocument document;
        XMLLimits::Cut cut = XMLLimits::Cut::Depth;
        EXPECT_EQ(XMLLoader::LoadFile(document, file, &cut), c.cut == XMLLimits::Cut::None);
        EXPECT_EQ(cut, c.cut);
        const DocumentExtent extent = DocumentExtent::Of(document);
        EXPECT_LE(extent.depth, XMLLimits::kMaxDepth);
        EXPECT_LE(extent.attributes, XMLLimits::kMaxAttributes);
        std::fclose(file);
    }
}

namespace {

// `leaves` copies of `leaf` inside `depth` elements nested in each other.
std::string Nested(unsigned long depth, const std::string& leaf, unsigned long leaves) {
    std::string text;
    for (unsigned long level = 0; level < depth; ++level)
        text += "<e>";
    for (unsigned long i = 0; i < leaves; ++i)
        text += leaf;
    for (unsigned long level = 0; level < depth; ++level)
        text += "</e>";
    return text;
}

} // namespace

TEST(XMLNestingLimitLoadFile, RefusesAllOfATextPastANodeLimit) {
    using Cut = XMLLimits::Cut;
    const unsigned long nodes = XMLLimits::kMaxNodes;
    // 999 elements at depths 1 to 999 add up to 499,500; each leaf is at 1,000.
    const unsigned long leaves = (XMLLimits::kMaxTotalDepth - 499500) / 1000;
    const struct {
        std::string text;
        Cut cut;
    } cases[] = {
        {Nested(1, "<a/>", nodes - 1), Cut::None},
        {Nested(1, "<a/>", nodes), Cut::Nodes},
        {Nested(1, "x<a/>", nodes / 2), Cut::Nodes},
        {Nested(999, "<a/>", leaves), Cut::None},
        {Nested(999, "<a/>", leaves + 1), Cut::TotalDepth},
        // What comes before a NUL is not read either.
        {std::string("<p/>\0", 5) + Nested(1, "<!---->", nodes), Cut::Nodes},
    };
    for (const auto& c : cases) {
        const bool refused = c.cut != Cut::None;
        EXPECT_EQ(XMLPreScan::SafeLength(c.text.data(), c.text.size()) == 0, refused);
        FILE* file = FileHolding(c.text);
        ASSERT_NE(file, nullptr);
        TiXmlDocument document;
        Cut cut = Cut::Depth;
        EXPECT_EQ(XMLLoader::LoadFile(document, file, &cut), !refused);
        EXPECT_EQ(cut, c.cut) << c.text.size();
        EXPECT_EQ(document.FirstChild() == nullptr, refused) << c.text.size();
        EXPECT_EQ(XMLLimits::RefusalReason(c.cut).empty(), !refused);
        std::fclose(file);
    }
}

TEST(XMLNestingLimitLoadFile, AnUnreadableFileIsReportedAsTheLibraryWould) {
    char path[] = "/tmp/nesting-XXXXXX";
    const int descriptor = mkstemp(path);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(write(descriptor, "<p/>", 4), 4);
    close(descriptor);
    // Open for appending only: its size is known, but reading it fails.
    FILE* file = std::fopen(path, "ab");
    ASSERT_NE(file, nullptr);
    TiXmlDocument expected;
    expected.LoadFile(file, TIXML_ENCODING_UNKNOWN);
    TiXmlDocument loaded;
    loaded.Parse("<old/>");
    EXPECT_TRUE(XMLLoader::LoadFile(loaded, file));
    EXPECT_TRUE(loaded.Error());
    EXPECT_EQ(LoadResult(loaded), LoadResult(expected));
    std::fclose(file);
    std::remove(path);
}

TEST(XMLNestingLimitLoadFile, AFileWhoseSizeIsZeroIsEmptyAsForTheLibrary) {
    // Files under /proc have no size, though they hold text.
    if (!std::filesystem::exists("/proc/self/status"))
        GTEST_SKIP() << "no /proc here";
    FILE* file = std::fopen("/proc/self/status", "rb");
    ASSERT_NE(file, nullptr);
    TiXmlDocument expected;
    expected.LoadFile(file, TIXML_ENCODING_UNKNOWN);
    TiXmlDocument loaded;
    XMLLoader::LoadFile(loaded, file);
    EXPECT_EQ(loaded.ErrorId(), TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY);
    EXPECT_EQ(LoadResult(loaded), LoadResult(expected));
    std::fclose(file);
}

namespace {

// A definition nested `depth` levels deep: product, installFiles, then
// directories inside each other, for the host H.
std::string NestedDefinition(unsigned long depth) {
    std::string folders;
    for (unsigned long level = 3; level <= depth; ++level)
        folders += "<directory fileName=\"d\">";
    for (unsigned long level = 3; level <= depth; ++level)
        folders += "</directory>";
    return DefinitionText(folders, R"(<hosts><host name="H"/></hosts>)", R"(<sku name="Deep"/>)");
}

} // namespace

TEST(XMLNestingLimitPrograms, ReadAFileAtTheLimitWithA512KiBStack) {
    // Uninstall reads the sku.xml beside it, in a bundle of its own.
    const std::string scratch = MakeScratchFolder("nesting-stack");
    const std::filesystem::path macos = std::filesystem::path(scratch) / "Deep.app/Contents/MacOS";
    std::filesystem::create_directories(macos);
    std::filesystem::copy_file(QE_UNINSTALL_PATH, macos / "Uninstall");
    // The tool plans the whole tree, and finds its first folder absent.
    std::filesystem::create_directory(std::filesystem::path(scratch) / "target");
    std::ofstream(macos / "target_path.xml")
        << "<targets><target host=\"H\" path=\"" << scratch << "/target\"/></targets>";
    const std::string sku = (macos / "sku.xml").string();
    const std::string targets = (macos / "target_path.xml").string();
    const struct {
        std::vector<std::string> arguments;
        std::string shows;
    } runs[] = {
        {{QE_SKUINFO_PATH, sku}, "name       \"Deep\""},
        {{QE_SKUINFO_PATH, "--families", sku}, "Families named by hosts (0)"},
        {{QE_INSTALLUTILITY_PATH, "-uninstall", sku, targets, "-v", "--dry-run"},
         "absent " + std::string(scratch) + "/target/d"},
        // The end of input takes the default button, Cancel; on the terminal,
        // even when the test runs inside a graphical session.
        {{"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", (macos / "Uninstall").string()},
         "Uninstall Deep"},
    };
    for (const unsigned long depth : {XMLLimits::kMaxDepth, 100 * XMLLimits::kMaxDepth}) {
        std::ofstream(sku) << NestedDefinition(depth);
        for (const auto& run : runs) {
            std::vector<std::string> arguments = {"/usr/bin/prlimit", "--stack=524288", "--"};
            arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
            const ToolRun result = RunTool(arguments);
            const std::string& program = run.arguments.front();
            EXPECT_EQ(result.status, 0) << program << " at depth " << depth;
            EXPECT_NE((result.out + result.err).find(run.shows), std::string::npos)
                << program << " at depth " << depth << ": " << result.out.substr(0, 300);
        }
    }
    std::filesystem::remove_all(scratch);
}

TEST(XMLLoaderLoadPath, SaysWhyAFileIsNotReadOrWhatCutIt) {
    const std::string scratch = MakeScratchFolder("loader-path");
    std::string deep;
    for (unsigned long i = 0; i <= XMLLimits::kMaxDepth; ++i)
        deep += "<a>";
    std::ofstream(scratch + "/deep.xml") << deep;
    std::ofstream(scratch + "/whole.xml") << "<p><q/></p>";
    ASSERT_EQ(mkfifo((scratch + "/fifo").c_str(), 0600), 0);
    const std::string withNul = scratch + std::string("/whole.xml\0x", 12);
    const struct {
        QeString path;
        std::string unopened; // empty when the file opens
        XMLLimits::Cut cut;
        const char* root; // what the document holds after
    } cases[] = {
        {QeString((scratch + "/whole.xml").c_str()), "", XMLLimits::Cut::None, "p"},
        {QeString((scratch + "/deep.xml").c_str()), "", XMLLimits::Cut::Depth, "a"},
        {QeString((scratch + "/absent.xml").c_str()), "No such file or directory",
         XMLLimits::Cut::None, "old"},
        {QeString(scratch.c_str()), "not a regular file", XMLLimits::Cut::None, "old"},
        // Refused, not waited on.
        {QeString((scratch + "/fifo").c_str()), "not a regular file", XMLLimits::Cut::None, "old"},
        {QeString(withNul.data(), withNul.size()), "not a regular file", XMLLimits::Cut::None,
         "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Text(c.path));
        TiXmlDocument document;
        document.Parse("<old/>");
        const XMLLoadReport report = XMLLoader::LoadPath(document, c.path);
        EXPECT_EQ(report.opened.Succeeded(), c.unopened.empty());
        EXPECT_EQ(report.opened.Message(), c.unopened);
        EXPECT_EQ(report.cut, c.cut);
        ASSERT_NE(document.RootElement(), nullptr);
        EXPECT_EQ(document.RootElement()->ValueStr(), c.root);
    }
    std::filesystem::remove_all(scratch);
}
