#include "Internal/XMLPreScan.h"
#include "DocumentExtent.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

namespace {

unsigned long Safe(const std::string& text, unsigned long maxDepth) {
    return XMLPreScan::SafeLength(text.data(), text.size(), maxDepth);
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
    return XMLPreScan::SafeLength(text.data(), text.size(), XMLLimits::kMaxDepth, maxAttributes);
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
        ASSERT_EQ(XMLPreScan::SafeLength(text.data(), text.size(), extent.depth, extent.attributes),
                  text.size());
        if (extent.depth > 0) {
            const unsigned long cut =
                XMLPreScan::SafeLength(text.data(), text.size(), extent.depth - 1, unlimited);
            ASSERT_LT(cut, text.size());
            ASSERT_EQ(DocumentExtent::OfText(text.substr(0, cut)).depth, extent.depth - 1);
        }
        if (extent.attributes > 0) {
            const unsigned long cut =
                XMLPreScan::SafeLength(text.data(), text.size(), unlimited, extent.attributes - 1);
            ASSERT_LT(cut, text.size());
            ASSERT_EQ(DocumentExtent::OfText(text.substr(0, cut)).attributes,
                      extent.attributes - 1);
        }
    }
}
