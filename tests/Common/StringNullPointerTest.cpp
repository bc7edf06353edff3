// Null pointers and edge lengths at the operations of both string classes
// that take a pointer: nothing may be read through a null pointer, whatever
// length comes with it.
#include "QeString.h"
#include "QeUnicodeString.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

const char* const kNoBytes = nullptr;
const wchar_t* const kNoWide = nullptr;
// The wide string's maxLen is the same value.
const unsigned long kMaxLen = QeString::maxLen;

std::wstring W(const QeUnicodeString& s) {
    return std::wstring(s.ConstData(), s.Size());
}

template <class String> bool IsUnset(const String& s) {
    return s.Size() == 0 && s.Data() == nullptr;
}

QeString InitBytes(const char* src, unsigned long n) {
    QeString s("old");
    s.init(src, n);
    return s;
}

QeUnicodeString InitWide(const wchar_t* src, unsigned long n) {
    QeUnicodeString s(L"old");
    s.init(src, n);
    return s;
}

QeUnicodeString DecodeUTF8(const char* text, unsigned long n) {
    QeUnicodeString s(L"old");
    s.FromUTF8(text, n);
    return s;
}

QeUnicodeString DecodeUTF16(const void* data, unsigned long count) {
    QeUnicodeString s(L"old");
    s.FromUTF16(data, true, count);
    return s;
}

} // namespace

TEST(StringNullPointer, NullSourceLeavesTheStringUnset) {
    for (unsigned long n : {0UL, 1UL, 5UL, 1UL << 40, kMaxLen - 1, kMaxLen}) {
        SCOPED_TRACE(n);
        const struct {
            const char* operation;
            bool unset;
        } cases[] = {
            {"QeString::init", IsUnset(InitBytes(kNoBytes, n))},
            {"QeString(const char*)", IsUnset(QeString(kNoBytes, n))},
            {"QeString(char*)", IsUnset(QeString(static_cast<char*>(nullptr), n))},
            {"QeString(const wchar_t*)", IsUnset(QeString(kNoWide, n))},
            {"QeUnicodeString::init", IsUnset(InitWide(kNoWide, n))},
            {"QeUnicodeString(const wchar_t*)", IsUnset(QeUnicodeString(kNoWide, n))},
            {"QeUnicodeString(wchar_t*)",
             IsUnset(QeUnicodeString(static_cast<wchar_t*>(nullptr), n))},
            {"QeUnicodeString(const char*)", IsUnset(QeUnicodeString(kNoBytes, n))},
            {"QeUnicodeString::FromUTF8", IsUnset(DecodeUTF8(kNoBytes, n))},
            {"QeUnicodeString::FromUTF16", IsUnset(DecodeUTF16(nullptr, n))},
        };
        for (const auto& c : cases)
            EXPECT_TRUE(c.unset) << c.operation;
    }
    // a null format is the empty format
    EXPECT_TRUE(IsUnset(QeString("old").FromFormat(kNoBytes)));
    EXPECT_TRUE(IsUnset(QeUnicodeString(L"old").FromFormat(kNoWide)));
}

TEST(StringNullPointer, NullTextAppendsNothingAndActsAsTheEmptyText) {
    const QeString abc("abc");
    const QeUnicodeString wabc(L"abc");
    QeString appended(abc);
    appended += kNoBytes;
    appended += kNoWide;
    QeUnicodeString wappended(wabc);
    wappended += kNoWide;
    const struct {
        const char* operation;
        std::string actual;
        std::string expected;
    } texts[] = {
        {"QeString += null", Text(appended), "abc"},
        {"QeString + null", Text(abc + kNoBytes), "abc"},
        {"QeString::Replace by null", Text(abc.Replace("b", kNoBytes)), "ac"},
        {"QeUnicodeString += null", Text(wappended.ToUTF8()), "abc"},
        {"QeUnicodeString + null", Text((wabc + kNoWide).ToUTF8()), "abc"},
        {"QeUnicodeString::Replace by null", Text(wabc.Replace(L"b", kNoWide).ToUTF8()), "ac"},
    };
    for (const auto& c : texts)
        EXPECT_EQ(c.expected, c.actual) << c.operation;

    const struct {
        const char* operation;
        unsigned long actual;
        unsigned long expected;
    } results[] = {
        {"QeString == null", abc == kNoBytes, false},
        {"unset QeString == null", QeString() == kNoBytes, true},
        {"QeString < null (the empty text sorts last)", abc < kNoBytes, true},
        {"QeString::IndexOf null", abc.IndexOf(kNoBytes), 0},
        {"QeString::IndexLastOf null", abc.IndexLastOf(kNoBytes), 3},
        {"QeString::StartsWith null", abc.StartsWith(kNoBytes), true},
        {"QeString::EndsWith null", abc.EndsWith(kNoBytes), false},
        {"QeUnicodeString == null", wabc == kNoWide, false},
        {"unset QeUnicodeString == null", QeUnicodeString() == kNoWide, true},
        {"QeUnicodeString::IndexOf null", wabc.IndexOf(kNoWide, 1), 1},
        {"QeUnicodeString::Contains null", wabc.Contains(kNoWide), true},
    };
    for (const auto& c : results)
        EXPECT_EQ(c.expected, c.actual) << c.operation;
}

TEST(StringNullPointer, InitCopiesExactlyTheGivenLength) {
    const struct {
        const char* operation;
        std::string actual;
        std::string expected;
    } bytes[] = {
        {"init past a NUL", Text(InitBytes("a\0bc", 4)), "a\0bc"s},
        // only the constructors read maxLen as "up to the NUL"
        {"init of maxLen bytes", Text(InitBytes("abc", kMaxLen)), ""},
        {"constructor with maxLen", Text(QeString("a\0bc", kMaxLen)), "a"},
    };
    for (const auto& c : bytes)
        EXPECT_EQ(c.expected, c.actual) << c.operation;

    const struct {
        const char* operation;
        std::wstring actual;
        std::wstring expected;
    } wide[] = {
        {"init past a zero unit", W(InitWide(L"a\0bc", 4)), L"a\0bc"s},
        {"init of maxLen units", W(InitWide(L"abc", kMaxLen)), L""},
        // (n + 1) units of 4 bytes cannot be represented
        {"init of maxLen / 4 units", W(InitWide(L"abc", kMaxLen / 4)), L""},
        {"constructor with maxLen", W(QeUnicodeString(L"a\0bc", kMaxLen)), L"a"},
        {"byte text with maxLen", W(QeUnicodeString("abc", kMaxLen)), L"abc"},
    };
    for (const auto& c : wide)
        EXPECT_EQ(c.expected, c.actual) << c.operation;
}
