#include "XMLNestingLimit.h"
#include "DocumentExtent.h"
#include "TestSupport.h"
#include "ToolRun.h"
#include "XMLParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

unsigned long Safe(const std::string& text, unsigned long maxDepth) {
    return XMLNestingLimit::SafeLength(text.data(), text.size(), maxDepth);
}

} // namespace

TEST(XMLNestingLimit, OrdinaryDocumentsAreWhole) {
    const std::string text = R"(<?xml version="1.0"?><!DOCTYPE p><p a="x>y"><q/><q></q>
        <!-- <q><q><q> --><![CDATA[<q><q>]]>text<r b='/>'/></p>)";
    EXPECT_EQ(Safe(text, 2), text.size());
    EXPECT_EQ(Safe("", 1), 0u);
}

TEST(XMLNestingLimit, CutsAtTheFirstElementPastTheLimit) {
    EXPECT_EQ(Safe("<a><b/></a>", 1), 3u);
    EXPECT_EQ(Safe("<a><b/></a>", 2), 11u);
    EXPECT_EQ(Safe("<a></a><a/><a><b><c>", 2), 17u);
    // A stray end tag at the top does not lower the depth below nothing.
    EXPECT_EQ(Safe("</x></x><a><b>", 1), 11u);
}

TEST(XMLNestingLimit, EndsThatAreNotEndsDoNotCount) {
    EXPECT_EQ(Safe(R"(<a x="/>"><b>)", 1), 10u);
    EXPECT_EQ(Safe("<a><!-- </a> --><b>", 1), 16u);
    EXPECT_EQ(Safe("<a><![CDATA[</a>]]><b>", 1), 19u);
    // A declaration read up to its quoted end holds no end tag...
    EXPECT_EQ(Safe(R"(<a><?xml v="</a>"?><b>)", 1), 19u);
    // ...and one read up to its first '>' may hold elements.
    EXPECT_EQ(Safe("<!x '><b>'><c>", 1), 11u);
    EXPECT_EQ(Safe("<a><!x '><b>'>", 1), 9u);
}

namespace {

unsigned long SafeAttributes(const std::string& text, unsigned long maxAttributes) {
    return XMLNestingLimit::SafeLength(text.data(), text.size(), XMLNestingLimit::kMaxDepth,
                                       maxAttributes);
}

const std::string kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

TEST(XMLNestingLimit, CutsAtTheFirstAttributePastTheLimit) {
    const struct {
        std::string text;
        unsigned long maxAttributes;
        std::string read;
    } cases[] = {
        {R"(<a x="1" y="2" z="3"/>)", 2, R"(<a x="1" y="2" )"},
        {R"(<a x="1" y="2"/><b z='3' w=4/>)", 1, R"(<a x="1" )"},
        {R"(<a x="1"><b y="2" z="3"/></a>)", 1, R"(<a x="1"><b y="2" )"},
        {"<a x=1 y=2/>", 1, "<a x=1 "},
        {"<a\tx = '1'\ny='2'/>", 1, "<a\tx = '1'\n"},
        // The value before is read only when a byte follows its quote.
        {R"(<a x="1"y="2"/>)", 1, R"(<a x="1"y)"},
        // Only an attribute the library adds counts: it gives up at a
        // repeated name, and a declaration keeps no attributes.
        {R"(<a x="1" x="2" y="3"/>)", 1, R"(<a x="1" x="2" y="3"/>)"},
        {R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><a/>)", 0,
         R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><a/>)"},
        // What looks like an attribute inside a value is none.
        {R"(<a x="y=1 z=2" w='v=3'/>)", 2, R"(<a x="y=1 z=2" w='v=3'/>)"},
        // In UTF-8 a byte that begins a multi-byte character takes the quote
        // after it along: the value goes on to the next quote. An entity
        // does not.
        {kByteOrderMark + "<a x=\"\xE0\"y\" b=1 c=2/>", 1, kByteOrderMark + "<a x=\"\xE0\"y\" "},
        {kByteOrderMark + R"(<a x="&#xE0;"y" b=1 c=2/>)", 1,
         kByteOrderMark + R"(<a x="&#xE0;"y" b=1 c=2/>)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text.substr(0, SafeAttributes(c.text, c.maxAttributes)), c.read)
            << ::testing::PrintToString(c.text);
    }
}

TEST(XMLNestingLimit, ReadsAsTheLibraryInTheDocumentsEncoding) {
    const struct {
        std::string text;
        std::string read;
    } cases[] = {
        // In UTF-8 (a byte order mark, or a first declaration naming UTF-8
        // or no encoding) a lead byte takes the next bytes along: an end
        // tag...
        {kByteOrderMark + "<a>\xE0</a><b>", kByteOrderMark + "<a>\xE0</a>"},
        {"<?xml version=\"1.0\"?><a>\xE0</a><b>", "<?xml version=\"1.0\"?><a>\xE0</a>"},
        {"<?xml encoding='&#85;tf8'?><a>\xE0</a><b>", "<?xml encoding='&#85;tf8'?><a>\xE0</a>"},
        {"<?xml encoding=''?><a>\xE0</a><b>", "<?xml encoding=''?><a>\xE0</a>"},
        // ...or the quote that ends a value.
        {kByteOrderMark + "<a x=\"\xE0\"y\"><b>", kByteOrderMark + "<a x=\"\xE0\"y\">"},
        // Byte by byte before any declaration, after one naming another
        // encoding, and after the first one at the top.
        {"<a>\xE0</a><b>", "<a>\xE0</a><b>"},
        {"<?xml encoding=\"ISO-8859-1\"?><a>\xE0</a><b>",
         "<?xml encoding=\"ISO-8859-1\"?><a>\xE0</a><b>"},
        {"<?xml encoding=latin1?><?xml?><a>\xE0</a><b>",
         "<?xml encoding=latin1?><?xml?><a>\xE0</a><b>"},
        {"<a><?xml?></a><b>\xE0</b><c>", "<a><?xml?></a><b>\xE0</b><c>"},
        // What the library does not read is not counted: it gives up at a
        // malformed entity, a mismatched end tag or text at the top.
        {"<a>&#xZ;<b>", "<a>&#xZ;<b>"},
        {"<a></b><c><d>", "<a></b><c><d>"},
        {"<a/>x<b><c>", "<a/>x<b><c>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text.substr(0, Safe(c.text, 1)), c.read) << ::testing::PrintToString(c.text);
}

namespace {

// Texts made of pieces that the library reads in more than one way.
std::string RandomDocument(std::mt19937& random) {
    // clang-format off
    static const char* const kPieces[] = {
        "<a>", "</a>", "<b x='1'>", "</b >", "<a/>", "<c a=1 b=\"2\" c='3'/>", "<d e=\"1\" e=\"2\"/>",
        " ", "\n", "\r\n", "\r", "\t", "text", "&amp;", "&#x41;", "&#65;", "&#x4", ";", "&", "&#",
        "x", "&#x22;", "&quot;", "&#34;", "&lt;", "&apos;", "x=1", "\"/>", " y='\xE0'",
        "<!-- c -->", "<!--", "-->", "--", "<!--->", "<![CDATA[", "]]>", "]]", "<![CDATA[]]>",
        "<!DOCTYPE d>", "<!x '>", "<?pi a='>'?>", "<?xml", "?>", "<?XML?>", "<?xml version=\"1.0\"?>",
        "<?xml encoding=\"latin1\"?>", "<?xml encoding='UTF-8' ?>", "<?xml encoding=&#85;TF-8?>",
        "<?xml encoding=\"utf8x\"?>", "<?xml encoding=\"&#0;x\"?>", "<?xml standalone='\xE0'?>",
        "\xEF\xBB\xBF", "\xEF\xBF\xBE", "\xE0", "\xC3\xA9", "\xF0", "\xF4", "\xF5", "\xC2", "\xBF",
        "\x7F", "\"", "'", "=", ">", "<", "/", "/>", "y=\"", " z='", "<a x=\"\xE0\"", "<e", "<_f",
        "<\xC3", "<\x7F>", "< g>", "</", "</a\t>", "<a:b.c-d>", "</a:b.c-d>"};
    // clang-format on
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> count(1, 40);
    std::string text = random() % 4 == 0 ? kByteOrderMark : "";
    for (int n = count(random); n > 0; --n)
        text += kPieces[piece(random)];
    return text;
}

} // namespace

TEST(XMLNestingLimit, FollowsTheLibrarysReadingExactly) {
    // Below the library's own extent the text is cut so that the library
    // then stays within the limit; at it, nothing is cut.
    std::mt19937 random(20261209);
    const unsigned long unlimited = ~0UL;
    for (int round = 0; round < 50000; ++round) {
        const std::string text = RandomDocument(random);
        SCOPED_TRACE(::testing::PrintToString(text));
        const DocumentExtent extent = DocumentExtent::OfText(text);
        ASSERT_EQ(
            XMLNestingLimit::SafeLength(text.data(), text.size(), extent.depth, extent.attributes),
            text.size());
        if (extent.depth > 0) {
            const unsigned long cut =
                XMLNestingLimit::SafeLength(text.data(), text.size(), extent.depth - 1, unlimited);
            ASSERT_LT(cut, text.size());
            ASSERT_EQ(DocumentExtent::OfText(text.substr(0, cut)).depth, extent.depth - 1);
        }
        if (extent.attributes > 0) {
            const unsigned long cut = XMLNestingLimit::SafeLength(text.data(), text.size(),
                                                                  unlimited, extent.attributes - 1);
            ASSERT_LT(cut, text.size());
            ASSERT_EQ(DocumentExtent::OfText(text.substr(0, cut)).attributes,
                      extent.attributes - 1);
        }
    }
}

namespace {

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

std::string Outcome(const TiXmlDocument& document) {
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
        EXPECT_TRUE(XMLNestingLimit::LoadFile(loaded, file));
        EXPECT_EQ(Outcome(loaded), Outcome(expected));
        std::fclose(file);
    }
}

TEST(XMLNestingLimitLoadFile, ReadsUpToTheLimitAndSaysSo) {
    std::string deep;
    for (unsigned long i = 0; i <= XMLNestingLimit::kMaxDepth; ++i)
        deep += "<d>";
    FILE* file = FileHolding("<p a=\"1\"/>\r\n" + deep);
    ASSERT_NE(file, nullptr);
    TiXmlDocument document;
    EXPECT_FALSE(XMLNestingLimit::LoadFile(document, file));
    ASSERT_NE(document.FirstChildElement("p"), nullptr);
    EXPECT_EQ(document.FirstChild("d")->Row(), 2);
    std::fclose(file);
    // Past a NUL nothing is read, but the nesting there is still reported.
    file = FileHolding(std::string("<p/>\0", 5) + deep);
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(XMLNestingLimit::LoadFile(document, file));
    EXPECT_EQ(document.FirstChild("d"), nullptr);
    std::fclose(file);
}

TEST(XMLNestingLimitLoadFile, KeepsToBothLimitsAndSaysWhichCutTheFile) {
    // Line ends are made LF before the library reads the text; after that a
    // lead byte takes the `<` of each end tag along, and every `a` stays open.
    std::string unclosed = kByteOrderMark;
    for (unsigned long i = 0; i <= XMLNestingLimit::kMaxDepth; ++i)
        unclosed += "<a>\xE0\r\n</a>";
    std::string attributes = "<p";
    for (unsigned long i = 0; i <= XMLNestingLimit::kMaxAttributes; ++i)
        attributes += " a" + std::to_string(i) + "=''";
    const struct {
        std::string text;
        XMLNestingLimit::Cut cut;
    } cases[] = {
        {unclosed, XMLNestingLimit::Cut::Depth},
        {attributes + "/>", XMLNestingLimit::Cut::Attributes},
        {"<p a='1'/>", XMLNestingLimit::Cut::None},
    };
    for (const auto& c : cases) {
        FILE* file = FileHolding(c.text);
        ASSERT_NE(file, nullptr);
        TiXmlDocument document;
        XMLNestingLimit::Cut cut = XMLNestingLimit::Cut::Depth;
        EXPECT_EQ(XMLNestingLimit::LoadFile(document, file, &cut),
                  c.cut == XMLNestingLimit::Cut::None);
        EXPECT_EQ(cut, c.cut);
        const DocumentExtent extent = DocumentExtent::Of(document);
        EXPECT_LE(extent.depth, XMLNestingLimit::kMaxDepth);
        EXPECT_LE(extent.attributes, XMLNestingLimit::kMaxAttributes);
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
    using Cut = XMLNestingLimit::Cut;
    const unsigned long nodes = XMLNestingLimit::kMaxNodes;
    // 999 elements at depths 1 to 999 add up to 499,500; each leaf is at 1,000.
    const unsigned long leaves = (XMLNestingLimit::kMaxTotalDepth - 499500) / 1000;
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
        EXPECT_EQ(XMLNestingLimit::SafeLength(c.text.data(), c.text.size()) == 0, refused);
        FILE* file = FileHolding(c.text);
        ASSERT_NE(file, nullptr);
        TiXmlDocument document;
        Cut cut = Cut::Depth;
        EXPECT_EQ(XMLNestingLimit::LoadFile(document, file, &cut), !refused);
        EXPECT_EQ(cut, c.cut) << c.text.size();
        EXPECT_EQ(document.FirstChild() == nullptr, refused) << c.text.size();
        EXPECT_EQ(XMLNestingLimit::RefusalReason(c.cut).empty(), !refused);
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
    EXPECT_TRUE(XMLNestingLimit::LoadFile(loaded, file));
    EXPECT_TRUE(loaded.Error());
    EXPECT_EQ(Outcome(loaded), Outcome(expected));
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
    XMLNestingLimit::LoadFile(loaded, file);
    EXPECT_EQ(loaded.ErrorId(), TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY);
    EXPECT_EQ(Outcome(loaded), Outcome(expected));
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
    for (const unsigned long depth :
         {XMLNestingLimit::kMaxDepth, 100 * XMLNestingLimit::kMaxDepth}) {
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
