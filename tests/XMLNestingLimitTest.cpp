#include "XMLNestingLimit.h"

#include <gtest/gtest.h>

#include <string>

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
