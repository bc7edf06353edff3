// The rules the byte and the wide string share, checked once for both.
#include "QeString.h"
#include "QeUnicodeString.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

using namespace std::string_literals;

namespace {

const unsigned long npos = QeString::maxLen;

// ASCII text (NULs included) as either string, each byte one unit.
template <class S> S Of(const std::string& text);
template <> QeString Of<QeString>(const std::string& text) {
    return QeString(text.data(), text.size());
}
template <> QeUnicodeString Of<QeUnicodeString>(const std::string& text) {
    const std::wstring wide(text.begin(), text.end());
    return QeUnicodeString(wide.data(), wide.size());
}

// The content back as bytes; a wide unit beyond ASCII shows as '?'.
std::string Text(const QeString& s) {
    return std::string(s.ConstData(), s.Size());
}
std::string Text(const QeUnicodeString& s) {
    std::string text;
    for (unsigned long i = 0; i < s.Size(); ++i)
        text += s[i] >= 0 && s[i] < 0x80 ? static_cast<char>(s[i]) : '?';
    return text;
}

// An unset string holds no block, whatever produced it.
template <class S> bool Unset(const S& s) {
    return s.Size() == 0 && s.Data() == nullptr && s.ConstData()[0] == 0;
}

template <class S> class StringTwins : public testing::Test {
protected:
    static S T(const std::string& text) { return Of<S>(text); }
};

using Twins = testing::Types<QeString, QeUnicodeString>;
TYPED_TEST_SUITE(StringTwins, Twins);

} // namespace

TYPED_TEST(StringTwins, SubstrClampsCountAndIsUnsetOutside) {
    const struct {
        unsigned long pos, count;
        std::string expected;
    } rows[] = {{0, npos, "a\0bc"s}, {1, 2, "\0b"s}, {2, 99, "bc"}, {3, 1, "c"},
                {4, npos, ""},       {1, 0, ""},     {npos, 1, ""}};
    const TypeParam text = this->T("a\0bc"s);
    for (const auto& row : rows) {
        const TypeParam piece = text.Substr(row.pos, row.count);
        EXPECT_EQ(row.expected, Text(piece)) << row.pos << "," << row.count;
        EXPECT_EQ(row.expected.empty(), Unset(piece)) << row.pos << "," << row.count;
    }
}

TYPED_TEST(StringTwins, AppendJoinsWholeContentAndDoublesItself) {
    TypeParam s = this->T("a\0"s);
    s.Append(this->T("b"));
    EXPECT_EQ("a\0b"s, Text(s));
    s += s;
    EXPECT_EQ("a\0ba\0b"s, Text(s));
    s.Append(TypeParam());
    EXPECT_EQ("a\0ba\0b"s, Text(s));
    EXPECT_EQ("xy", Text(this->T("x") + this->T("y")));
    EXPECT_EQ("x", Text(this->T("x") + TypeParam()));
    TypeParam empty;
    empty += TypeParam();
    EXPECT_TRUE(Unset(empty));
}

TYPED_TEST(StringTwins, AssignmentToItselfKeepsContent) {
    TypeParam s = this->T("abc");
    TypeParam& same = s;
    s = same;
    EXPECT_EQ("abc", Text(s));
    s = std::move(same);
    EXPECT_EQ("abc", Text(s));
    TypeParam taken(std::move(s));
    EXPECT_EQ("abc", Text(taken));
    EXPECT_TRUE(Unset(s));
    taken.Clear();
    EXPECT_TRUE(Unset(taken));
}

TYPED_TEST(StringTwins, ComparisonsCoverTheWholeLength) {
    const TypeParam nul = this->T("a\0b"s);
    EXPECT_TRUE(nul.Equals(this->T("a\0b"s)));
    EXPECT_FALSE(nul.Equals(this->T("a\0c"s)));
    EXPECT_FALSE(nul.Equals(this->T("a")));
    EXPECT_TRUE(nul.EqualsIgnoreCase(this->T("A\0B"s)));
    EXPECT_FALSE(nul.EqualsIgnoreCase(this->T("A\0C"s)));
    // longest first, equal lengths by unit, the empty text last
    const char* const ordered[] = {"abc", "zz", "a", ""};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(this->T(ordered[i]) < this->T(ordered[i + 1])) << ordered[i];
        EXPECT_FALSE(this->T(ordered[i + 1]) < this->T(ordered[i])) << ordered[i];
    }
}

TYPED_TEST(StringTwins, SearchesFindWholeNeedlesAndEmptyOnesInside) {
    const struct {
        std::string needle;
        unsigned long start, first, firstFolded, last, lastFolded;
    } rows[] = {
        {"b", 0, 1, 1, 1, 3},        {"B", 0, 3, 1, 3, 3},  {"b", 2, npos, 3, 1, 3},
        {"\0c"s, 0, 4, 4, 4, 4},     {"", 2, 2, 2, 6, 6},   {"", 6, npos, npos, 6, 6},
        {"ba", 0, npos, 1, npos, 1}, {"AB", 0, 2, 0, 2, 2}, {"abc", 0, npos, npos, npos, npos},
    };
    const TypeParam text = this->T("abAB\0c"s);
    for (const auto& row : rows) {
        const TypeParam needle = this->T(row.needle);
        EXPECT_EQ(row.first, text.IndexOf(needle, row.start)) << row.needle;
        EXPECT_EQ(row.firstFolded, text.IndexOfIgnoreCase(needle, row.start)) << row.needle;
        EXPECT_EQ(row.last, text.IndexLastOf(needle)) << row.needle;
        EXPECT_EQ(row.lastFolded, text.IndexLastOfIgnoreCase(needle)) << row.needle;
    }
}

TYPED_TEST(StringTwins, ContainsNeverInEmptyTextAndEndsWithNeverEmpty) {
    const TypeParam text = this->T("Plug-ins");
    EXPECT_TRUE(text.Contains(this->T("g-i")));
    EXPECT_FALSE(text.Contains(this->T("G-I")));
    EXPECT_TRUE(text.ContainsIgnoreCase(this->T("G-I")));
    EXPECT_TRUE(text.Contains(TypeParam()));
    EXPECT_FALSE(TypeParam().Contains(TypeParam()));
    EXPECT_FALSE(TypeParam().ContainsIgnoreCase(this->T("a")));
    EXPECT_TRUE(text.EndsWith(this->T("ins")));
    EXPECT_TRUE(text.EndsWith(text));
    EXPECT_FALSE(text.EndsWith(this->T("xPlug-ins")));
    EXPECT_FALSE(text.EndsWith(TypeParam()));
}

TYPED_TEST(StringTwins, ReplaceLeftToRightWithoutOverlap) {
    const struct {
        std::string text, from, to, exact, folded;
    } rows[] = {
        {"aaa", "aa", "b", "ba", "ba"},      {"aAa", "a", "xy", "xyAxy", "xyxyxy"},
        {"abc", "", "x", "abc", "abc"},      {"abc", "abc", "", "", ""},
        {"a\0a"s, "\0"s, "-", "a-a", "a-a"}, {"", "a", "b", "", ""},
    };
    for (const auto& row : rows) {
        const TypeParam text = this->T(row.text);
        const TypeParam from = this->T(row.from);
        const TypeParam to = this->T(row.to);
        EXPECT_EQ(row.exact, Text(text.Replace(from, to))) << row.text;
        EXPECT_EQ(row.folded, Text(text.ReplaceIgnoreCase(from, to))) << row.text;
        EXPECT_EQ(row.exact.empty(), Unset(text.Replace(from, to))) << row.text;
    }
}

TYPED_TEST(StringTwins, ReplaceCharsNeedsCharsAndANonZeroUnit) {
    const TypeParam text = this->T("a/b:c");
    EXPECT_EQ("a_b_c", Text(text.ReplaceChars(this->T(":/"), '_')));
    EXPECT_EQ("a/b:c", Text(text.ReplaceChars(TypeParam(), '_')));
    EXPECT_EQ("a/b:c", Text(text.ReplaceChars(this->T(":/"), 0)));
    EXPECT_EQ("a_b:c", Text(text.ReplaceChars(this->T("\0/"s), '_')));
}

TYPED_TEST(StringTwins, CaseMappingKeepsLengthAndOtherUnits) {
    const TypeParam text = this->T("Ab\0z-9"s);
    EXPECT_EQ("ab\0z-9"s, Text(text.ToLower()));
    EXPECT_EQ("AB\0Z-9"s, Text(text.ToUpper()));
    EXPECT_TRUE(Unset(TypeParam().ToUpper()));
}

TYPED_TEST(StringTwins, TrimRemovesOnlyTabNewlineReturnSpace) {
    EXPECT_EQ("a \0b"s, Text(this->T(" \t\r\na \0b\n"s).Trim()));
    EXPECT_EQ("\va\f", Text(this->T("\va\f").Trim()));
    EXPECT_TRUE(Unset(this->T(" \t ").Trim()));
}

TYPED_TEST(StringTwins, FromFormatCutsAt510UnitsAndNeedsAFormat) {
    TypeParam s = this->T("old");
    EXPECT_EQ("7:42", Text(s.FromFormat(this->T("%d:%u"), 7, 42u)));
    EXPECT_EQ(std::string(510, ' '), Text(s.FromFormat(this->T("%600d"), 1)));
    EXPECT_TRUE(Unset(s.FromFormat(TypeParam())));
}

TYPED_TEST(StringTwins, NumberReadersReadAsTheScanfFamily) {
    const struct {
        std::string text;
        int asLong;
        unsigned int asULong;
        double asDouble;
    } rows[] = {
        {" \t-42px", -42, 4294967254u, -42.0},
        {"+7", 7, 7, 7.0},
        {"4294967297", 1, 1, 4294967297.0},              // low 32 bits
        {"99999999999999999999", -1, 4294967295u, 1e20}, // clamped, then low 32 bits
        {"-1", -1, 4294967295u, -1.0},
        {"2.5e1x", 2, 2, 25.0},
        {"0x10", 0, 0, 16.0},
        {"0x", 0, 0, 1.5}, // "%lf" reads nothing from a bare hex prefix
        {"-", 5, 5, 1.5},
        {"x1", 5, 5, 1.5},
        {"", 5, 5, 1.5},
    };
    for (const auto& row : rows) {
        const TypeParam text = this->T(row.text);
        EXPECT_EQ(row.asLong, text.GetLong(5)) << row.text;
        EXPECT_EQ(row.asULong, text.GetULong(5)) << row.text;
        EXPECT_DOUBLE_EQ(row.asDouble, text.GetDouble(1.5)) << row.text;
    }
    EXPECT_DOUBLE_EQ(1.5, this->T("infin").GetDouble(1.5));
    EXPECT_TRUE(std::isinf(this->T("infinity").GetDouble(1.5)));
}
