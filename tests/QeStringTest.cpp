#include "QeString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

const unsigned long npos = QeString::maxLen;

// The content as bytes, NULs included.
std::string Bytes(const QeString& s) {
    return std::string(s.ConstData(), s.Size());
}

QeString Of(const std::string& bytes) {
    return QeString(bytes.data(), bytes.size());
}

void ExpectUnset(const QeString& s) {
    EXPECT_FALSE(s.IsSet());
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(0UL, s.Size());
    EXPECT_EQ(nullptr, s.Data());
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
    ExpectUnset(QeString(QeString()));
}

TEST(QeStringStorage, LengthAndTerminator) {
    QeString ab("abc", 2);
    EXPECT_EQ("ab", Bytes(ab));
    EXPECT_EQ('\0', ab.Data()[2]);

    char text[] = "xyz";
    QeString whole(text);
    EXPECT_EQ("xyz", Bytes(whole));
    EXPECT_NE(static_cast<const char*>(text), whole.Data());

    // the stored length, not the first NUL, is the extent
    QeString withNul("a\0b", 3);
    EXPECT_EQ(3UL, withNul.Size());
    EXPECT_EQ(std::string("a\0b", 3), Bytes(withNul));
    EXPECT_EQ('\0', withNul.Data()[3]);
}

TEST(QeStringStorage, CopiesAreDeep) {
    QeString original("abc");
    QeString copy(original);
    QeString assigned;
    assigned = original;
    copy.Data()[0] = 'x';
    assigned.Data()[1] = 'y';
    EXPECT_EQ("abc", Bytes(original));
    EXPECT_EQ("xbc", Bytes(copy));
    EXPECT_EQ("ayc", Bytes(assigned));

    QeString& self = original;
    original = self;
    EXPECT_EQ("abc", Bytes(original));

    original = QeString();
    ExpectUnset(original);

    QeString source("moved");
    QeString target(std::move(source));
    EXPECT_EQ("moved", Bytes(target));
    ExpectUnset(source);
}

TEST(QeStringStorage, IndexingAndSubstr) {
    QeString abc("abc");
    EXPECT_EQ('b', abc[1]);
    EXPECT_EQ('\0', abc[3]);
    EXPECT_TRUE(abc.HasOf(2));
    EXPECT_FALSE(abc.HasOf(3));

    EXPECT_EQ("bc", Bytes(abc.Substr(1, 99)));
    EXPECT_EQ("bc", Bytes(abc.Substr(1)));
    EXPECT_EQ("a", Bytes(abc.Substr(0, 1)));
    ExpectUnset(abc.Substr(3, npos));
    ExpectUnset(abc.Substr(1, 0));
    ExpectUnset(QeString().Substr(0));
}

TEST(QeStringCompare, EqualsUsesWholeLength) {
    EXPECT_TRUE(QeString("abc").Equals(QeString("abc")));
    EXPECT_FALSE(QeString("abc") == QeString("ab"));
    EXPECT_TRUE(QeString("abc") != QeString("abd"));
    EXPECT_TRUE(QeString() == QeString(""));

    // a NUL inside the content does not end the comparison
    EXPECT_FALSE(QeString("a\0b", 3).Equals(QeString("a\0c", 3)));
    EXPECT_TRUE(QeString("a\0b", 3) != QeString("a\0c", 3));
    EXPECT_TRUE(QeString("a\0b", 3) == QeString("a\0b", 3));
}

TEST(QeStringCompare, EqualsIgnoreCase) {
    EXPECT_TRUE(QeString("AbC").EqualsIgnoreCase(QeString("aBc")));
    EXPECT_FALSE(QeString("abc").EqualsIgnoreCase(QeString("ab")));
    EXPECT_FALSE(QeString("abc").EqualsIgnoreCase(QeString("abd")));
    EXPECT_TRUE(QeString().EqualsIgnoreCase(QeString()));
    EXPECT_TRUE(QeString("a\0B", 3).EqualsIgnoreCase(QeString("A\0b", 3)));
    EXPECT_FALSE(QeString("a\0B", 3).EqualsIgnoreCase(QeString("a\0c", 3)));
}

TEST(QeStringOrder, LongestFirstEmptyLast) {
    std::vector<QeString> keys{QeString("a"), QeString(), QeString("bb"), QeString("ab"),
                               QeString("c")};
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> sorted;
    for (const QeString& key : keys)
        sorted.push_back(Bytes(key));
    EXPECT_EQ((std::vector<std::string>{"ab", "bb", "a", "c", ""}), sorted);

    std::set<QeString> set{QeString(""), QeString("a"), QeString("zz"), QeString("abc")};
    std::vector<std::string> visited;
    for (const QeString& key : set)
        visited.push_back(Bytes(key));
    EXPECT_EQ((std::vector<std::string>{"abc", "zz", "a", ""}), visited);
}

TEST(QeStringOrder, StrictBytewiseAmongEqualLengths) {
    EXPECT_FALSE(QeString() < QeString());
    EXPECT_FALSE(QeString("ab") < QeString("ab"));
    // bytes compare as unsigned values
    EXPECT_TRUE(QeString("a") < QeString("\x80"));
    EXPECT_FALSE(QeString("\x80") < QeString("a"));
    EXPECT_TRUE(QeString("a\0b", 3) < QeString("a\0c", 3));
    EXPECT_FALSE(QeString("a\0c", 3) < QeString("a\0b", 3));
}

TEST(QeStringSearch, IndexOf) {
    QeString s("abcabc");
    EXPECT_EQ(2UL, s.IndexOf(QeString("c")));
    EXPECT_EQ(5UL, s.IndexOf(QeString("c"), 3));
    EXPECT_EQ(3UL, s.IndexOf(QeString("abc"), 1));
    EXPECT_EQ(npos, s.IndexOf(QeString("abc"), 4));
    EXPECT_EQ(npos, s.IndexOf(QeString("c"), 6));
    EXPECT_EQ(npos, s.IndexOf(QeString("abcabcx")));
    EXPECT_EQ(npos, s.IndexOf(QeString("abd")));

    EXPECT_EQ(0UL, QeString("abc").IndexOf(QeString()));
    EXPECT_EQ(2UL, QeString("abc").IndexOf(QeString(), 2));
    EXPECT_EQ(npos, QeString("abc").IndexOf(QeString(), 3));
    EXPECT_EQ(npos, QeString().IndexOf(QeString()));

    EXPECT_EQ(3UL, QeString("a\0b\0c", 5).IndexOf(QeString("\0c", 2)));
}

TEST(QeStringSearch, IndexOfIgnoreCase) {
    EXPECT_EQ(1UL, QeString("xAbCabc").IndexOfIgnoreCase(QeString("abc")));
    EXPECT_EQ(4UL, QeString("xAbCabc").IndexOfIgnoreCase(QeString("ABC"), 2));
    EXPECT_EQ(npos, QeString("abc").IndexOfIgnoreCase(QeString("abd")));
    EXPECT_EQ(3UL, QeString("a\0B\0C", 5).IndexOfIgnoreCase(QeString("\0c", 2)));
}

TEST(QeStringSearch, IndexLastOf) {
    EXPECT_EQ(4UL, QeString("abcabc").IndexLastOf(QeString("bc")));
    EXPECT_EQ(0UL, QeString("abcabc").IndexLastOf(QeString("abcabc")));
    EXPECT_EQ(npos, QeString("abcabc").IndexLastOf(QeString("cb")));
    EXPECT_EQ(npos, QeString("ab").IndexLastOf(QeString("abc")));
    EXPECT_EQ(3UL, QeString("abc").IndexLastOf(QeString()));
    EXPECT_EQ(0UL, QeString().IndexLastOf(QeString()));
    EXPECT_EQ(1UL, QeString("a\0c\0b", 5).IndexLastOf(QeString("\0c", 2)));

    EXPECT_EQ(3UL, QeString("aBcAbC").IndexLastOfIgnoreCase(QeString("abc")));
    EXPECT_EQ(npos, QeString("aBcAbC").IndexLastOfIgnoreCase(QeString("abd")));
}

TEST(QeStringSearch, IndexLastOfBeyondTwoGiB) {
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
    EXPECT_EQ(size - 3, huge.IndexLastOf(QeString("x")));
    EXPECT_EQ(size - 3, huge.IndexLastOfIgnoreCase(QeString("X")));
}

TEST(QeStringSearch, ContainsStartsEnds) {
    QeString abc("abc");
    EXPECT_TRUE(abc.Contains(QeString()));
    EXPECT_FALSE(QeString().Contains(QeString()));
    EXPECT_TRUE(abc.Contains(QeString("bc")));
    EXPECT_FALSE(abc.Contains(QeString("bd")));
    EXPECT_TRUE(abc.ContainsIgnoreCase(QeString("BC")));
    EXPECT_FALSE(abc.ContainsIgnoreCase(QeString("BD")));

    EXPECT_TRUE(abc.StartsWith(QeString()));
    EXPECT_TRUE(QeString().StartsWith(QeString()));
    EXPECT_TRUE(abc.StartsWith(QeString("ab")));
    EXPECT_FALSE(abc.StartsWith(QeString("b")));
    EXPECT_FALSE(abc.StartsWith(QeString("abcd")));
    EXPECT_FALSE(QeString().StartsWith(QeString("a")));

    EXPECT_FALSE(abc.EndsWith(QeString()));
    EXPECT_FALSE(QeString().EndsWith(QeString()));
    EXPECT_TRUE(abc.EndsWith(QeString("abc")));
    EXPECT_TRUE(abc.EndsWith(QeString("c")));
    EXPECT_FALSE(abc.EndsWith(QeString("b")));
    EXPECT_FALSE(abc.EndsWith(QeString("xabc")));
}

TEST(QeStringTransform, Replace) {
    EXPECT_EQ("bb", Bytes(QeString("aaaa").Replace(QeString("aa"), QeString("b"))));
    EXPECT_EQ("ba", Bytes(QeString("aaa").Replace(QeString("aa"), QeString("b"))));
    // the inserted text is not searched again
    EXPECT_EQ("xxyxx", Bytes(QeString("xyx").Replace(QeString("x"), QeString("xx"))));
    EXPECT_EQ("abbc", Bytes(QeString("abc").Replace(QeString("b"), QeString("bb"))));
    EXPECT_EQ("ab", Bytes(QeString("a;b;").Replace(QeString(";"), QeString())));
    EXPECT_EQ("abc", Bytes(QeString("abc").Replace(QeString("x"), QeString("y"))));
    ExpectUnset(QeString("abc").Replace(QeString("abc"), QeString()));

    QeString source("a-b");
    EXPECT_EQ("a+b", Bytes(source.Replace(QeString("-"), QeString("+"))));
    EXPECT_EQ("a-b", Bytes(source));

    EXPECT_EQ(std::string("a\0b!", 4),
              Bytes(QeString("a\0b\0c", 5).Replace(QeString("\0c", 2), QeString("!"))));
}

TEST(QeStringTransform, ReplaceIgnoreCase) {
    EXPECT_EQ("a-b-c", Bytes(QeString("aXbxc").ReplaceIgnoreCase(QeString("x"), QeString("-"))));
    EXPECT_EQ("x-x", Bytes(QeString("Ab-aB").ReplaceIgnoreCase(QeString("ab"), QeString("x"))));
}

TEST(QeStringTransform, ReplaceWithEmptyFromIsUnchanged) {
    EXPECT_EQ("abc", Bytes(QeString("abc").Replace(QeString(), QeString("x"))));
    EXPECT_EQ("abc", Bytes(QeString("abc").ReplaceIgnoreCase(QeString(), QeString("x"))));
    ExpectUnset(QeString().Replace(QeString(), QeString("x")));
}

TEST(QeStringTransform, ReplaceManyMatchesInLargeInput) {
    std::string source;
    for (int i = 0; i < (1 << 20); ++i)
        source += "ab;";
    QeString replaced = Of(source).Replace(QeString(";"), QeString("<>"));
    ASSERT_EQ(4UL << 20, replaced.Size());
    std::string expected;
    for (int i = 0; i < (1 << 20); ++i)
        expected += "ab<>";
    EXPECT_TRUE(Bytes(replaced) == expected);
}

TEST(QeStringTransform, ReplaceChars) {
    EXPECT_EQ("a_b_c", Bytes(QeString("a/b\\c").ReplaceChars(QeString("/\\"), '_')));
    EXPECT_EQ("a/b", Bytes(QeString("a/b").ReplaceChars(QeString("/"), '\0')));
    EXPECT_EQ("a/b", Bytes(QeString("a/b").ReplaceChars(QeString(), '_')));
    ExpectUnset(QeString().ReplaceChars(QeString("/"), '_'));
    // a NUL in the content is only replaced when the set holds one
    EXPECT_EQ(std::string("x\0_", 3), Bytes(QeString("x\0y", 3).ReplaceChars(QeString("y"), '_')));
    EXPECT_EQ("x_y", Bytes(QeString("x\0y", 3).ReplaceChars(QeString("\0", 1), '_')));
}

TEST(QeStringTransform, CaseMapping) {
    EXPECT_EQ("abc1!z", Bytes(QeString("AbC1!z").ToLower()));
    EXPECT_EQ("ABC1!Z", Bytes(QeString("AbC1!z").ToUpper()));
    EXPECT_EQ(std::string("a\0b", 3), Bytes(QeString("A\0B", 3).ToLower()));
    ExpectUnset(QeString().ToUpper());
    // bytes of multi-byte UTF-8 sequences pass unchanged
    EXPECT_EQ("\xC3\x89\xFF", Bytes(QeString("\xC3\x89\xFF").ToLower()));
    EXPECT_EQ("\xC3\xA9\xFF", Bytes(QeString("\xC3\xA9\xFF").ToUpper()));
    EXPECT_EQ("a\xC3\xA9", Bytes(QeString("a\xC3\xA9").ToUTF8()));
}

TEST(QeStringNumbers, GetLong) {
    EXPECT_EQ(12, QeString("12abc").GetLong(7));
    EXPECT_EQ(-42, QeString(" \t-42").GetLong(7));
    EXPECT_EQ(7, QeString("abc").GetLong(7));
    EXPECT_EQ(7, QeString().GetLong(7));
    // only the low 32 bits are kept
    EXPECT_EQ(1, QeString("4294967297").GetLong(7));
}

TEST(QeStringNumbers, GetULong) {
    EXPECT_EQ(4294967295U, QeString("-1").GetULong(5));
    EXPECT_EQ(42U, QeString("42d").GetULong(5));
    EXPECT_EQ(42U, QeString("42").GetULong(5));
    EXPECT_EQ(5U, QeString("x").GetULong(5));
    EXPECT_EQ(5U, QeString().GetULong(5));
}

TEST(QeStringNumbers, GetDouble) {
    EXPECT_DOUBLE_EQ(1.5, QeString("x").GetDouble(1.5));
    EXPECT_DOUBLE_EQ(1.5, QeString().GetDouble(1.5));
    EXPECT_DOUBLE_EQ(22.5, QeString("2.25e1").GetDouble(1.5));
    EXPECT_DOUBLE_EQ(-3.5, QeString(" -3.5px").GetDouble(1.5));
}

TEST(QeStringAppend, AppendAndConcatenate) {
    QeString s("ab");
    s.Append(s);
    EXPECT_EQ("abab", Bytes(s));
    EXPECT_EQ('\0', s.Data()[4]);

    s.Append(QeString());
    EXPECT_EQ("abab", Bytes(s));
    s += static_cast<const char*>(nullptr);
    EXPECT_EQ("abab", Bytes(s));
    s += "c";
    s += QeString("d");
    EXPECT_EQ("ababcd", Bytes(s));

    QeString unset;
    unset += "x";
    EXPECT_EQ("x", Bytes(unset));

    const QeString left("a\0", 2);
    QeString joined = left + QeString("b\0c", 3);
    EXPECT_EQ(std::string("a\0b\0c", 5), Bytes(joined));
    EXPECT_EQ(std::string("a\0", 2), Bytes(left));
    EXPECT_EQ("x-y", Bytes(QeString("x") + "-" + QeString("y")));
}
