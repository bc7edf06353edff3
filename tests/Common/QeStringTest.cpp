#include "QeString.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

const unsigned long npos = QeString::maxLen;

// Keeps NULs inside the literal: "a\0b"_q has three bytes.
QeString operator""_q(const char* text, std::size_t size) {
    return QeString(text, size);
}

// The content as bytes, NULs included.
void ExpectUnset(const QeString& s) {
    EXPECT_TRUE(s.IsEmpty() && !s.IsSet() && s.Size() == 0 && s.Data() == nullptr);
    ASSERT_NE(nullptr, s.ConstData());
    EXPECT_STREQ("", s.ConstData());
}

} // namespace

TEST(QeStringStorage, UnsetStates) {
    ExpectUnset(QeString());
    ExpectUnset(QeString(""));
    ExpectUnset(QeString(static_cast<const char*>(nullptr), 5));
    ExpectUnset(QeString("abc", 0));
    QeString cleared("abc");
    cleared.Clear();
    ExpectUnset(cleared);
}

TEST(QeStringStorage, ContentAndSubstr) {
    QeString ab("abc", 2);
    EXPECT_EQ("ab", Text(ab));
    EXPECT_EQ('\0', ab.Data()[2]);
    EXPECT_EQ('\0', ab[2]);
    // the stored length, not the first NUL, is the extent
    EXPECT_EQ("a\0b"s, Text("a\0b"_q));

    QeString abc("abc");
    EXPECT_EQ("bc", Text(abc.Substr(1, 99)));
    EXPECT_EQ("a", Text(abc.Substr(0, 1)));
    ExpectUnset(abc.Substr(3, npos));
    ExpectUnset(abc.Substr(1, 0));
}

TEST(QeStringStorage, CopiesAreDeep) {
    QeString original("abc");
    QeString copy(original);
    QeString assigned;
    assigned = original;
    copy.Data()[0] = 'x';
    assigned.Data()[1] = 'y';
    EXPECT_EQ("abc", Text(original));
    EXPECT_EQ("xbc", Text(copy));
    EXPECT_EQ("ayc", Text(assigned));

    QeString& self = original;
    original = self;
    EXPECT_EQ("abc", Text(original));
    original = QeString();
    ExpectUnset(original);
}

TEST(QeStringStorage, InitMayCopyFromItsOwnContent) {
    QeString s("abcdef");
    s.init(s.Data() + 1, 3);
    EXPECT_EQ("bcd", Text(s));
    s.init(s.Data(), 0);
    ExpectUnset(s);
}

TEST(QeStringCompare, WholeLengthCounts) {
    EXPECT_TRUE("abc"_q == "abc"_q);
    EXPECT_TRUE("abc"_q != "ab"_q);
    // a NUL inside the content does not end the comparison
    EXPECT_FALSE("a\0b"_q.Equals("a\0c"_q));
    EXPECT_TRUE("a\0b"_q != "a\0c"_q);

    EXPECT_TRUE("AbC"_q.EqualsIgnoreCase("aBc"_q));
    EXPECT_FALSE("abc"_q.EqualsIgnoreCase("abd"_q));
    EXPECT_TRUE("a\0B"_q.EqualsIgnoreCase("A\0b"_q));
    EXPECT_FALSE("a\0B"_q.EqualsIgnoreCase("a\0c"_q));
}

TEST(QeStringOrder, LongestFirstThenBytewiseEmptyLast) {
    std::vector<QeString> keys{"a"_q, QeString(), "bb"_q, "ab"_q, "c"_q};
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> sorted;
    for (const QeString& key : keys)
        sorted.push_back(Text(key));
    EXPECT_EQ((std::vector<std::string>{"ab", "bb", "a", "c", ""}), sorted);

    EXPECT_FALSE(QeString() < QeString());
    EXPECT_FALSE("ab"_q < "ab"_q);
    // bytes compare as unsigned values
    EXPECT_TRUE("a"_q < "\x80"_q);
    EXPECT_FALSE("\x80"_q < "a"_q);
    EXPECT_TRUE("a\0b"_q < "a\0c"_q);
    EXPECT_FALSE("a\0c"_q < "a\0b"_q);
}

TEST(QeStringSearch, Forward) {
    QeString s("abcabc");
    EXPECT_EQ(2UL, s.IndexOf("c"_q));
    EXPECT_EQ(5UL, s.IndexOf("c"_q, 3));
    EXPECT_EQ(3UL, s.IndexOf("abc"_q, 1));
    EXPECT_EQ(npos, s.IndexOf("abc"_q, 4));
    EXPECT_EQ(npos, s.IndexOf("c"_q, 6));

    EXPECT_EQ(0UL, s.IndexOf(QeString()));
    EXPECT_EQ(2UL, s.IndexOf(QeString(), 2));
    EXPECT_EQ(npos, s.IndexOf(QeString(), 6));
    EXPECT_EQ(npos, QeString().IndexOf(QeString()));

    EXPECT_EQ(3UL, "a\0b\0c"_q.IndexOf("\0c"_q));
    EXPECT_EQ(4UL, "xAbCabc"_q.IndexOfIgnoreCase("ABC"_q, 2));
    EXPECT_EQ(3UL, "a\0B\0C"_q.IndexOfIgnoreCase("\0c"_q));
}

TEST(QeStringSearch, Backward) {
    EXPECT_EQ(4UL, "abcabc"_q.IndexLastOf("bc"_q));
    EXPECT_EQ(npos, "abcabc"_q.IndexLastOf("cb"_q));
    EXPECT_EQ(npos, "ab"_q.IndexLastOf("abc"_q));
    EXPECT_EQ(3UL, "abc"_q.IndexLastOf(QeString()));
    EXPECT_EQ(0UL, QeString().IndexLastOf(QeString()));
    EXPECT_EQ(1UL, "a\0c\0b"_q.IndexLastOf("\0c"_q));
    EXPECT_EQ(3UL, "aBcAbC"_q.IndexLastOfIgnoreCase("abc"_q));
}

TEST(QeStringSearch, BackwardBeyondTwoGiB) {
    // positions past 2^31 must survive the backward search
    const unsigned long size = (1UL << 31) + 16;
    char* zeros = static_cast<char*>(std::calloc(size, 1));
    if (zeros == nullptr)
        GTEST_SKIP() << "no memory for a 2 GiB string";
    QeString huge(zeros, size);
    std::free(zeros);
    if (!huge.IsSet())
        GTEST_SKIP() << "no memory for a 2 GiB string";
    huge.Data()[size - 3] = 'x';
    EXPECT_EQ(size - 3, huge.IndexLastOf("x"_q));
    EXPECT_EQ(size - 3, huge.IndexLastOfIgnoreCase("X"_q));
}

TEST(QeStringSearch, ContainsStartsEnds) {
    QeString abc("abc");
    EXPECT_TRUE(abc.Contains(QeString()));
    EXPECT_FALSE(QeString().Contains(QeString()));
    EXPECT_FALSE(abc.Contains("bd"_q));
    EXPECT_TRUE(abc.ContainsIgnoreCase("BC"_q));

    EXPECT_TRUE(QeString().StartsWith(QeString()));
    EXPECT_TRUE(abc.StartsWith("ab"_q));
    EXPECT_FALSE(abc.StartsWith("abcd"_q));
    EXPECT_FALSE(QeString().StartsWith("a"_q));

    EXPECT_FALSE(abc.EndsWith(QeString()));
    EXPECT_TRUE(abc.EndsWith("abc"_q));
    EXPECT_FALSE(abc.EndsWith("b"_q));
    EXPECT_FALSE(abc.EndsWith("xabc"_q));
}

TEST(QeStringTransform, Replace) {
    EXPECT_EQ("bb", Text("aaaa"_q.Replace("aa"_q, "b"_q)));
    EXPECT_EQ("ba", Text("aaa"_q.Replace("aa"_q, "b"_q)));
    // the inserted text is not searched again
    EXPECT_EQ("xxyxx", Text("xyx"_q.Replace("x"_q, "xx"_q)));
    EXPECT_EQ("ab", Text("a;b;"_q.Replace(";"_q, QeString())));
    ExpectUnset("abc"_q.Replace("abc"_q, QeString()));
    EXPECT_EQ("a\0b!"s, Text("a\0b\0c"_q.Replace("\0c"_q, "!"_q)));
    EXPECT_EQ("x-x", Text("Ab-aB"_q.ReplaceIgnoreCase("ab"_q, "x"_q)));

    EXPECT_EQ("abc", Text("abc"_q.Replace(QeString(), "x"_q)));
    EXPECT_EQ("abc", Text("abc"_q.ReplaceIgnoreCase(QeString(), "x"_q)));
}

TEST(QeStringTransform, ReplaceManyMatchesInLargeInput) {
    std::string source, expected;
    for (int i = 0; i < (1 << 20); ++i) {
        source += "ab;";
        expected += "ab<>";
    }
    QeString replaced = QeString(source.data(), source.size()).Replace(";"_q, "<>"_q);
    ASSERT_EQ(expected.size(), replaced.Size());
    EXPECT_TRUE(Text(replaced) == expected);
}

TEST(QeStringTransform, ReplaceChars) {
    EXPECT_EQ("a_b_c", Text("a/b\\c"_q.ReplaceChars("/\\"_q, '_')));
    EXPECT_EQ("a/b", Text("a/b"_q.ReplaceChars("/"_q, '\0')));
    EXPECT_EQ("a/b", Text("a/b"_q.ReplaceChars(QeString(), '_')));
    ExpectUnset(QeString().ReplaceChars("/"_q, '_'));
    // a NUL in the content is only replaced when the set holds one
    EXPECT_EQ("x\0_"s, Text("x\0y"_q.ReplaceChars("y"_q, '_')));
    EXPECT_EQ("x_y", Text("x\0y"_q.ReplaceChars("\0"_q, '_')));
}

TEST(QeStringTransform, CaseMapping) {
    EXPECT_EQ("abc1!z", Text("AbC1!z"_q.ToLower()));
    EXPECT_EQ("ABC1!Z", Text("AbC1!z"_q.ToUpper()));
    EXPECT_EQ("a\0b"s, Text("A\0B"_q.ToLower()));
    // bytes of multi-byte UTF-8 sequences pass unchanged
    EXPECT_EQ("\xC3\x89\xFF", Text("\xC3\x89\xFF"_q.ToLower()));
    EXPECT_EQ("\xC3\xA9\xFF", Text("\xC3\xA9\xFF"_q.ToUpper()));
}

TEST(QeStringNumbers, Readers) {
    EXPECT_EQ(12, "12abc"_q.GetLong(7));
    EXPECT_EQ(-42, " \t-42"_q.GetLong(7));
    EXPECT_EQ(7, "abc"_q.GetLong(7));
    EXPECT_EQ(1, "4294967297"_q.GetLong(7)); // only the low 32 bits are kept

    EXPECT_EQ(4294967295U, "-1"_q.GetULong(5));
    EXPECT_EQ(42U, "42"_q.GetULong(5));
    EXPECT_EQ(5U, "x"_q.GetULong(5));

    EXPECT_DOUBLE_EQ(1.5, "x"_q.GetDouble(1.5));
    EXPECT_DOUBLE_EQ(1.5, QeString().GetDouble(1.5));
    EXPECT_DOUBLE_EQ(-22.5, " -2.25e1px"_q.GetDouble(1.5));
}

TEST(QeStringAppend, AppendAndConcatenate) {
    QeString s("ab");
    s.Append(s);
    EXPECT_EQ("abab", Text(s));
    EXPECT_EQ('\0', s.Data()[4]);
    s.Append(QeString());
    s += static_cast<const char*>(nullptr);
    s += "c";
    s += "d"_q;
    EXPECT_EQ("ababcd", Text(s));

    QeString unset;
    unset += "x";
    EXPECT_EQ("x", Text(unset));

    const QeString left = "a\0"_q;
    EXPECT_EQ("a\0b\0c"s, Text(left + "b\0c"_q));
    EXPECT_EQ("a\0"s, Text(left));
}
