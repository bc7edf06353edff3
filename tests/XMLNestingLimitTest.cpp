#include "XMLNestingLimit.h"
#include "XMLParser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
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
