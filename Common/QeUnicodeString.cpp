#include "QeUnicodeString.h"

#include "StringAlgorithms.h"
#include "StringLibrary.h"

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>

const unsigned long QeUnicodeString::maxLen = ~0UL;

namespace {

const wchar_t kEmptyText[] = L"";

// A block of n + 1 units, or null when its size in bytes cannot be
// represented or the memory cannot be had.
template <class Unit> Unit* AllocateUnits(unsigned long n) {
    if (n >= ULONG_MAX / sizeof(Unit))
        return nullptr;
    return new (std::nothrow) Unit[n + 1];
}

wint_t Fold(wchar_t unit) {
    return std::towlower(static_cast<wint_t>(unit));
}

bool UnitsEqual(const wchar_t* a, const wchar_t* b, unsigned long n) {
    return StringAlgorithms::Equal(a, b, n);
}

bool UnitsEqualIgnoreCase(const wchar_t* a, const wchar_t* b, unsigned long n) {
    return StringAlgorithms::EqualFolded(a, b, n, Fold);
}

// Encodes with wcstombs into at most `bytesPerUnit` bytes a character; the
// exact bytes produced, or unset when none were or a character failed.
QeString Encode(const QeUnicodeString& text, unsigned long bytesPerUnit) {
    if (text.IsEmpty() || text.Size() >= ULONG_MAX / (bytesPerUnit + 1))
        return QeString();
    const unsigned long capacity = bytesPerUnit * text.Size();
    char* bytes = AllocateUnits<char>(capacity);
    if (bytes == nullptr)
        return QeString();
    const std::size_t produced = std::wcstombs(bytes, text.ConstData(), capacity);
    QeString result;
    if (produced != static_cast<std::size_t>(-1) && produced > 0)
        result.init(bytes, produced);
    delete[] bytes;
    return result;
}

const char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

void AppendUnit(std::string& out, std::uint16_t unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

std::uint16_t ReadUnit(const unsigned char* at, bool bigEndian) {
    return static_cast<std::uint16_t>(bigEndian ? (at[0] << 8) | at[1] : (at[1] << 8) | at[0]);
}

} // namespace

QeUnicodeString::QeUnicodeString() : length(0), buffer(nullptr) {}

QeUnicodeString::QeUnicodeString(wchar_t* text, unsigned long len)
    : QeUnicodeString(static_cast<const wchar_t*>(text), len) {}

QeUnicodeString::QeUnicodeString(const wchar_t* text, unsigned long len) : QeUnicodeString() {
    if (text != nullptr)
        init(text, len == maxLen ? std::wcslen(text) : len);
}

QeUnicodeString::QeUnicodeString(const char* text, unsigned long len) : QeUnicodeString() {
    if (text != nullptr)
        *this = QeString(text, len).GetUnicode();
}

QeUnicodeString::QeUnicodeString(const QeUnicodeString& other) : QeUnicodeString() {
    init(other.buffer, other.length);
}

QeUnicodeString::QeUnicodeString(QeUnicodeString&& other) noexcept
    : length(other.length), buffer(other.buffer) {
    other.length = 0;
    other.buffer = nullptr;
}

QeUnicodeString::~QeUnicodeString() {
    delete[] buffer;
}

void QeUnicodeString::init(const wchar_t* src, unsigned long n) {
    // The copy is made before the old block goes, so `src` may point into it.
    // A null source stores nothing, whatever `n` says; a length whose block
    // cannot be represented (maxLen among them) gets no block either.
    wchar_t* block = src != nullptr ? StringAlgorithms::NewBlock(src, n) : nullptr;
    Clear();
    if (block == nullptr)
        return;
    buffer = block;
    length = n;
}

QeUnicodeString& QeUnicodeString::operator=(const QeUnicodeString& other) {
    if (this != &other)
        init(other.buffer, other.length);
    return *this;
}

QeUnicodeString& QeUnicodeString::operator=(QeUnicodeString&& other) noexcept {
    if (this != &other) {
        delete[] buffer;
        length = other.length;
        buffer = other.buffer;
        other.length = 0;
        other.buffer = nullptr;
    }
    return *this;
}

void QeUnicodeString::Clear() {
    delete[] buffer;
    buffer = nullptr;
    length = 0;
}

const wchar_t* QeUnicodeString::ConstData() const {
    return length > 0 ? buffer : kEmptyText;
}

bool QeUnicodeString::Equals(const QeUnicodeString& other) const {
    return length == other.length && UnitsEqual(buffer, other.buffer, length);
}

bool QeUnicodeString::EqualsIgnoreCase(const QeUnicodeString& other) const {
    return length == other.length && UnitsEqualIgnoreCase(buffer, other.buffer, length);
}

bool QeUnicodeString::operator<(const QeUnicodeString& other) const {
    return StringAlgorithms::Less(buffer, length, other.buffer, other.length);
}

void QeUnicodeString::Append(const QeUnicodeString& other) {
    if (other.IsEmpty())
        return;
    // Freed only after both copies, so appending a string to itself works.
    wchar_t* block =
        StringAlgorithms::NewJoinedBlock(ConstData(), length, other.ConstData(), other.length);
    if (block == nullptr)
        return;
    delete[] buffer;
    buffer = block;
    length += other.length;
}

QeUnicodeString& QeUnicodeString::operator+=(const QeUnicodeString& other) {
    Append(other);
    return *this;
}

QeUnicodeString& QeUnicodeString::operator+=(const wchar_t* text) {
    Append(QeUnicodeString(text));
    return *this;
}

QeUnicodeString QeUnicodeString::operator+(const QeUnicodeString& other) const {
    QeUnicodeString result(*this);
    result.Append(other);
    return result;
}

QeUnicodeString QeUnicodeString::operator+(const wchar_t* text) const {
    return *this + QeUnicodeString(text);
}

QeUnicodeString QeUnicodeString::Substr(unsigned long pos, unsigned long count) const {
    if (pos >= length)
        return QeUnicodeString();
    const unsigned long available = length - pos;
    return QeUnicodeString(buffer + pos, count < available ? count : available);
}

unsigned long QeUnicodeString::IndexOf(const QeUnicodeString& text, unsigned long start) const {
    return StringAlgorithms::Find(buffer, length, text.ConstData(), text.length, start);
}

unsigned long QeUnicodeString::IndexOfIgnoreCase(const QeUnicodeString& text,
                                                 unsigned long start) const {
    return StringAlgorithms::FindFolded(buffer, length, text.ConstData(), text.length, start, Fold);
}

unsigned long QeUnicodeString::IndexLastOf(const QeUnicodeString& text) const {
    return StringAlgorithms::FindLast(ConstData(), length, text.ConstData(), text.length,
                                      UnitsEqual);
}

unsigned long QeUnicodeString::IndexLastOfIgnoreCase(const QeUnicodeString& text) const {
    return StringAlgorithms::FindLast(ConstData(), length, text.ConstData(), text.length,
                                      UnitsEqualIgnoreCase);
}

bool QeUnicodeString::Contains(const QeUnicodeString& text) const {
    return IndexOf(text) < length;
}

bool QeUnicodeString::ContainsIgnoreCase(const QeUnicodeString& text) const {
    return IndexOfIgnoreCase(text) < length;
}

bool QeUnicodeString::EndsWith(const QeUnicodeString& text) const {
    return IndexOf(text, length - text.length) != maxLen;
}

template <class Search>
QeUnicodeString QeUnicodeString::ReplaceAll(const QeUnicodeString& from, const QeUnicodeString& to,
                                            Search search) const {
    if (from.IsEmpty())
        return *this;
    QeUnicodeString result;
    result.length = length;
    result.buffer = StringAlgorithms::ReplaceAll(
        buffer, result.length, from.length, to.ConstData(), to.length,
        [&](unsigned long start) { return search(*this, from, start); });
    return result;
}

QeUnicodeString QeUnicodeString::Replace(const QeUnicodeString& from,
                                         const QeUnicodeString& to) const {
    return ReplaceAll(from, to,
                      [](const QeUnicodeString& in, const QeUnicodeString& what,
                         unsigned long start) { return in.IndexOf(what, start); });
}

QeUnicodeString QeUnicodeString::ReplaceIgnoreCase(const QeUnicodeString& from,
                                                   const QeUnicodeString& to) const {
    return ReplaceAll(from, to,
                      [](const QeUnicodeString& in, const QeUnicodeString& what,
                         unsigned long start) { return in.IndexOfIgnoreCase(what, start); });
}

QeUnicodeString QeUnicodeString::ReplaceChars(const QeUnicodeString& chars, wchar_t ch) const {
    if (IsEmpty() || ch == L'\0' || chars.IsEmpty())
        return *this;
    QeUnicodeString result(*this);
    for (unsigned long i = 0; i < result.length; ++i) {
        if (std::wmemchr(chars.buffer, result.buffer[i], chars.length) != nullptr)
            result.buffer[i] = ch;
    }
    return result;
}

QeUnicodeString QeUnicodeString::Transformed(wint_t (*map)(wint_t)) const {
    QeUnicodeString result(*this);
    for (unsigned long i = 0; i < result.length; ++i)
        result.buffer[i] = static_cast<wchar_t>(map(static_cast<wint_t>(result.buffer[i])));
    return result;
}

QeUnicodeString QeUnicodeString::ToLower() const {
    return Transformed([](wint_t unit) { return std::towlower(unit); });
}

QeUnicodeString QeUnicodeString::ToUpper() const {
    return Transformed([](wint_t unit) { return std::towupper(unit); });
}

QeUnicodeString QeUnicodeString::Trim() const {
    return StringLibrary::Trim(*this);
}

int QeUnicodeString::GetLong(int def) const {
    if (IsEmpty())
        return def;
    long value = 0;
    if (std::swscanf(buffer, L"%ld", &value) < 1)
        return def;
    // Keeps the low 32 bits, as the stored number is 32-bit.
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

unsigned int QeUnicodeString::GetULong(unsigned int def) const {
    if (IsEmpty())
        return def;
    unsigned int value = 0;
    return std::swscanf(buffer, L"%u", &value) == 1 ? value : def;
}

double QeUnicodeString::GetDouble(double def) const {
    if (IsEmpty())
        return def;
    double value = def;
    std::swscanf(buffer, L"%lf", &value);
    return value;
}

// Number texts are ASCII, so the byte string's text widens unit by unit.
QeUnicodeString& QeUnicodeString::FromAscii(const QeString& text) {
    Clear();
    wchar_t* block = text.IsSet() ? AllocateUnits<wchar_t>(text.Size()) : nullptr;
    if (block == nullptr)
        return *this;
    for (unsigned long i = 0; i < text.Size(); ++i)
        block[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    block[text.Size()] = L'\0';
    buffer = block;
    length = text.Size();
    return *this;
}

QeUnicodeString& QeUnicodeString::FromDword(unsigned int value) {
    return FromAscii(QeString().FromDword(value));
}

QeUnicodeString& QeUnicodeString::FromInt(int value) {
    return FromAscii(QeString().FromInt(value));
}

QeUnicodeString& QeUnicodeString::FromDouble(double value) {
    return FromAscii(QeString().FromDouble(value));
}

QeUnicodeString& QeUnicodeString::FromFormat(QeUnicodeString format, ...) {
    Clear();
    if (format.IsEmpty())
        return *this;
    wchar_t text[512] = {};
    va_list arguments;
    va_start(arguments, format);
    std::vswprintf(text, 511, format.ConstData(), arguments);
    va_end(arguments);
    init(text, std::wcslen(text));
    return *this;
}

QeString QeUnicodeString::ToUTF8() const {
    return Encode(*this, 4);
}

QeString QeUnicodeString::GetMultibyteString() const {
    return Encode(*this, 2);
}

void QeUnicodeString::FromUTF8(const char* text, unsigned long len) {
    Clear();
    if (text != nullptr && len == maxLen)
        len = std::strlen(text);
    if (text == nullptr || len == 0)
        return;
    wchar_t* block = AllocateUnits<wchar_t>(len);
    if (block == nullptr)
        return;
    const std::size_t produced = std::mbstowcs(block, text, len);
    if (produced == static_cast<std::size_t>(-1) || produced == 0) {
        delete[] block;
        return;
    }
    block[produced] = L'\0';
    buffer = block;
    length = produced;
}

QeString QeUnicodeString::ToUTF16(bool bigEndian) const {
    std::string units;
    for (unsigned long i = 0; i < length; ++i) {
        char32_t code = static_cast<char32_t>(buffer[i]);
        if (code > 0x10FFFF || IsSurrogate(code))
            code = kReplacement;
        if (code < 0x10000) {
            AppendUnit(units, static_cast<std::uint16_t>(code), bigEndian);
        } else {
            code -= 0x10000;
            AppendUnit(units, static_cast<std::uint16_t>(0xD800 + (code >> 10)), bigEndian);
            AppendUnit(units, static_cast<std::uint16_t>(0xDC00 + (code & 0x3FF)), bigEndian);
        }
    }
    return QeString(units.data(), units.size());
}

void QeUnicodeString::FromUTF16(const void* data, bool bigEndian, unsigned long count) {
    Clear();
    if (data == nullptr || count == 0)
        return;
    wchar_t* block = AllocateUnits<wchar_t>(count);
    if (block == nullptr)
        return;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    unsigned long produced = 0;
    for (unsigned long i = 0; i < count; ++i) {
        char32_t code = ReadUnit(bytes + 2 * i, bigEndian);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < count) {
            const char32_t low = ReadUnit(bytes + 2 * (i + 1), bigEndian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        block[produced++] = static_cast<wchar_t>(IsSurrogate(code) ? kReplacement : code);
    }
    block[produced] = L'\0';
    buffer = block;
    length = produced;
}
