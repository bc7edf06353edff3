#include "QeUnicodeString.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <string>

using namespace std::string_literals;

namespace {

std::wstring W(const QeUnicodeString& s) {
    return std::wstring(s.ConstData(), s.Size());
}
// Keeps zero units inside the text.
QeUnicodeString U(const std::wstring& text) {
    return QeUnicodeString(text.c_str(), text.size());
}
std::wstring FromUTF8(const char* text, unsigned long length = QeUnicodeString::maxLen) {
    QeUnicodeString s(L"old");
    s.FromUTF8(text, length);
    return W(s);
}

} // namespace

TEST(QeUnicodeStringCompare, WholeLengthOrderAndCase) {
    const QeUnicodeString nul = U(L"a\0b"s);
    EXPECT_EQ(L"a\0b"s, W(nul));
    EXPECT_EQ(L'\0', nul[3]);
    EXPECT_FALSE(nul == U(L"a\0c"s));
    EXPECT_TRUE(nul < U(L"a\0c"s) && !(U(L"a\0c"s) < nul));
    EXPECT_TRUE(U(L"ab") < U(L"bb") && U(L"bb") < U(L"a") && U(L"a") < QeUnicodeString());

    EXPECT_FALSE(U(L"a\0b"s).EqualsIgnoreCase(U(L"A\0c"s)));
    EXPECT_TRUE(U(L"a\0B"s).EqualsIgnoreCase(U(L"A\0b"s)));
    // the byte string compares the whole length as well
    EXPECT_FALSE(QeString("a\0b", 3).EqualsIgnoreCase(QeString("A\0c", 3)));
}

TEST(QeUnicodeStringConvert, DefaultCLocale) {
    ASSERT_STREQ("C", std::setlocale(LC_ALL, nullptr));
    const QeUnicodeString wide("Plug-ins");
    EXPECT_EQ(L"Plug-ins", W(wide));
    EXPECT_EQ("Plug-ins", Text(wide.ToUTF8()));
    EXPECT_EQ("Pl", Text(QeString(L"Plug-ins", 2)));
    EXPECT_EQ(L"Plug-ins", W(QeString("Plug-ins").GetUnicode()));
    EXPECT_EQ(L"a", W(QeString("a\0b", 3).GetUnicode())); // decoding ends at the NUL
    EXPECT_TRUE(QeString().GetUnicode().IsEmpty() && QeUnicodeString().ToUTF8().IsEmpty());
    EXPECT_TRUE(QeUnicodeString(static_cast<const char*>(nullptr)).IsEmpty() &&
                QeString(static_cast<const wchar_t*>(nullptr)).IsEmpty());
    // beyond ASCII nothing converts, and never partly
    EXPECT_TRUE(QeUnicodeString(L"a\u00e9").ToUTF8().IsEmpty());
    EXPECT_TRUE(QeUnicodeString(L"a\u00e9").GetMultibyteString().IsEmpty());
    EXPECT_TRUE(QeString(L"a\u00e9").IsEmpty());
    EXPECT_TRUE(QeString("a\xC3\xA9").GetUnicode().IsEmpty());

    EXPECT_EQ(L"hel", FromUTF8("hello", 3));
    EXPECT_EQ(L"hello", FromUTF8("hello"));
    EXPECT_EQ(L"", FromUTF8("hello", 0));
    EXPECT_EQ(L"", FromUTF8(nullptr));
}

TEST(QeUnicodeStringConvert, Utf8Locale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(nullptr, std::setlocale(LC_ALL, "C.UTF-8"));
    const char* const utf8 = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(utf8, Text(QeUnicodeString(L"\u00e9\u20ac\U0001F600").ToUTF8()));
    EXPECT_EQ(utf8, Text(QeString(L"\u00e9\u20ac\U0001F600")));
    EXPECT_EQ(L"\u00e9\u20ac\U0001F600", W(QeString(utf8).GetUnicode()));
    EXPECT_EQ(L"\u00e9\u20ac", FromUTF8(utf8, 2)); // a count of characters, not bytes
    EXPECT_EQ(L"", FromUTF8("\xFF"));
    // room for two bytes a character: stops before one that would not fit
    EXPECT_EQ("\xE2\x82\xAC", Text(QeUnicodeString(L"\u20ac\u20ac").GetMultibyteString()));
    EXPECT_EQ("a\xE2\x82\xAC", Text(QeUnicodeString(L"a\u20ac").GetMultibyteString()));
    EXPECT_TRUE(QeUnicodeString(L"\u20ac").GetMultibyteString().IsEmpty());
    EXPECT_TRUE(U(L"\u00c9x").EqualsIgnoreCase(U(L"\u00e9X")));
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(QeUnicodeStringFormat, NumbersAndFormatLimit) {
    QeUnicodeString w;
    EXPECT_EQ(&w, &w.FromDword(UINT_MAX));
    EXPECT_EQ(L"4294967295", W(w));
    EXPECT_EQ(L"2.500000", W(w.FromDouble(2.5)));
    EXPECT_EQ(L"1000000000000000019884624838656.000000", W(w.FromDouble(1e30)));
    QeString b;
    EXPECT_EQ(Text(b.FromInt(INT_MIN)), Text(w.FromInt(INT_MIN).ToUTF8()));
    EXPECT_EQ(Text(b.FromDouble(-DBL_MAX)), Text(w.FromDouble(-DBL_MAX).ToUTF8()));
    EXPECT_EQ(317u, w.Size());
    EXPECT_EQ(L"7-ab", W(w.FromFormat(L"%d-%ls", 7, L"ab")));
    EXPECT_TRUE(w.FromFormat(L"").IsEmpty());
    const std::wstring long600(600, L'x');
    EXPECT_EQ(long600.substr(0, 510), W(w.FromFormat(L"%ls", long600.c_str())));

    EXPECT_EQ(1, QeUnicodeString(L"4294967297").GetLong(7));
    EXPECT_EQ(4294967295u, QeUnicodeString(L"-1").GetULong(5));
    EXPECT_EQ(25.0, QeUnicodeString(L"2.5e1x").GetDouble(1.5));
    EXPECT_EQ(1.5, QeUnicodeString(L"x").GetDouble(1.5));
}

TEST(QeUnicodeStringText, TrimReplaceAndSearch) {
    EXPECT_EQ(L"x", W(QeUnicodeString(L" \t\r\nx \n").Trim()));
    EXPECT_EQ(L"\v\u00a0x", W(QeUnicodeString(L"\v\u00a0x").Trim()));
    EXPECT_EQ(L"bb", W(QeUnicodeString(L"aaaa").Replace(L"aa", L"b")));
    EXPECT_EQ(L"abc", W(QeUnicodeString(L"abc").Replace(QeUnicodeString(), L"x")));
    EXPECT_EQ(L"a_b_c", W(QeUnicodeString(L"a/b\\c").ReplaceChars(L"/\\", L'_')));
    const QeUnicodeString s = U(L"a\0b\0c\u20acAB"s);
    EXPECT_EQ(3u, s.IndexOf(U(L"\0c"s)));
    EXPECT_EQ(5u, s.IndexOf(L"\u20ac"));
    EXPECT_EQ(2u, s.IndexOfIgnoreCase(L"B"));
    EXPECT_EQ(7u, s.IndexLastOfIgnoreCase(L"b"));
    EXPECT_EQ(8u, s.IndexLastOf(QeUnicodeString()));
    EXPECT_FALSE(s.EndsWith(QeUnicodeString()));
    EXPECT_TRUE(s.EndsWith(L"\u20acAB"));
}

TEST(QeUnicodeStringUtf16, RoundTripsBothByteOrders) {
    const QeUnicodeString text(L"A\u00e9\u20ac\U0001F600");
    const std::string be = "\x00\x41\x00\xE9\x20\xAC\xD8\x3D\xDE\x00"s;
    const std::string le = "\x41\x00\xE9\x00\xAC\x20\x3D\xD8\x00\xDE"s;
    EXPECT_EQ(be, Text(text.ToUTF16(true)));
    EXPECT_EQ(le, Text(text.ToUTF16(false)));
    QeUnicodeString back;
    back.FromUTF16(be.data(), true, 5);
    EXPECT_EQ(W(text), W(back));
    const std::string shifted = "?" + le; // the bytes need no alignment
    back.FromUTF16(shifted.data() + 1, false, 5);
    EXPECT_EQ(W(text), W(back));
    // high alone, 'A', low alone, high at the end
    back.FromUTF16("\xD8\x00\x00\x41\xDC\x00\xD8\x00", true, 4);
    EXPECT_EQ(L"\uFFFDA\uFFFD\uFFFD", W(back));
    back.FromUTF16(be.data(), true, 0);
    EXPECT_TRUE(back.IsEmpty());
    const wchar_t beyond[] = {0x110000, 0};
    EXPECT_EQ("\xFF\xFD"s, Text(QeUnicodeString(beyond).ToUTF16(true)));
}
