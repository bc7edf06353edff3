#include "QeString.h"

#include "QeUnicodeString.h"
#include "StringAlgorithms.h"
#include "StringLibrary.h"

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

const unsigned long QeString::maxLen = ~0UL;

namespace {

const char kEmptyText[] = "";

// The C library takes a byte as unsigned char: a negative value other than
// EOF is undefined there.
int ToLowerByte(char byte) {
    return std::tolower(static_cast<unsigned char>(byte));
}

bool BytesEqual(const char* a, const char* b, unsigned long n) {
    return StringAlgorithms::Equal(a, b, n);
}

bool BytesEqualIgnoreCase(const char* a, const char* b, unsigned long n) {
    return StringAlgorithms::EqualFolded(a, b, n, ToLowerByte);
}

} // namespace

QeString::QeString() : length(0), buffer(nullptr) {}

QeString::QeString(char* text, unsigned long len) : QeString(static_cast<const char*>(text), len) {}

QeString::QeString(const char* text, unsigned long len) : QeString() {
    if (text == nullptr)
        return;
    init(text, len == maxLen ? std::strlen(text) : len);
}

QeString::QeString(const wchar_t* text, unsigned long len) : QeString() {
    if (text != nullptr)
        *this = QeUnicodeString(text, len).ToUTF8();
}

QeString::QeString(const QeString& other) : QeString() {
    init(other.buffer, other.length);
}

QeString::QeString(QeString&& other) noexcept : length(other.length), buffer(other.buffer) {
    other.length = 0;
    other.buffer = nullptr;
}

QeString::~QeString() {
    delete[] buffer;
}

void QeString::init(const char* src, unsigned long n) {
    // The copy is made before the old block goes, so `src` may point into it.
    // A null source stores nothing, whatever `n` says; a length whose block
    // cannot be represented (maxLen among them) gets no block either.
    char* block = src != nullptr ? StringAlgorithms::NewBlock(src, n) : nullptr;
    Clear();
    if (block == nullptr)
        return;
    buffer = block;
    length = n;
}

QeString& QeString::operator=(const QeString& other) {
    if (this != &other)
        init(other.buffer, other.length);
    return *this;
}

QeString& QeString::operator=(QeString&& other) noexcept {
    if (this != &other) {
        delete[] buffer;
        length = other.length;
        buffer = other.buffer;
        other.length = 0;
        other.buffer = nullptr;
    }
    return *this;
}

void QeString::Clear() {
    delete[] buffer;
    buffer = nullptr;
    length = 0;
}

const char* QeString::ConstData() const {
    return length > 0 ? buffer : kEmptyText;
}

bool QeString::Equals(const QeString& other) const {
    return length == other.length && BytesEqual(buffer, other.buffer, length);
}

bool QeString::EqualsIgnoreCase(const QeString& other) const {
    return length == other.length && BytesEqualIgnoreCase(buffer, other.buffer, length);
}

bool QeString::operator<(const QeString& other) const {
    return StringAlgorithms::Less(buffer, length, other.buffer, other.length);
}

void QeString::Append(const QeString& other) {
    if (other.IsEmpty())
        return;
    // Freed only after both copies, so appending a string to itself works.
    char* block =
        StringAlgorithms::NewJoinedBlock(ConstData(), length, other.ConstData(), other.length);
    if (block == nullptr)
        return;
    delete[] buffer;
    buffer = block;
    length += other.length;
}

QeString& QeString::operator+=(const QeString& other) {
    Append(other);
    return *this;
}

QeString& QeString::operator+=(const char* text) {
    Append(QeString(text));
    return *this;
}

QeString QeString::operator+(const QeString& other) const {
    QeString result(*this);
    result.Append(other);
    return result;
}

QeString QeString::operator+(const char* text) const {
    return *this + QeString(text);
}

QeString QeString::Substr(unsigned long pos, unsigned long count) const {
    if (pos >= length)
        return QeString();
    const unsigned long available = length - pos;
    return QeString(buffer + pos, count < available ? count : available);
}

unsigned long QeString::IndexOf(const QeString& text, unsigned long start) const {
    return StringAlgorithms::Find(buffer, length, text.ConstData(), text.length, start);
}

unsigned long QeString::IndexOfIgnoreCase(const QeString& text, unsigned long start) const {
    return StringAlgorithms::FindFolded(buffer, length, text.ConstData(), text.length, start,
                                        ToLowerByte);
}

unsigned long QeString::IndexLastOf(const QeString& text) const {
    return StringAlgorithms::FindLast(ConstData(), length, text.ConstData(), text.length,
                                      BytesEqual);
}

unsigned long QeString::IndexLastOfIgnoreCase(const QeString& text) const {
    return StringAlgorithms::FindLast(ConstData(), length, text.ConstData(), text.length,
                                      BytesEqualIgnoreCase);
}

bool QeString::Contains(const QeString& text) const {
    return IndexOf(text) < length;
}

bool QeString::ContainsIgnoreCase(const QeString& text) const {
    return IndexOfIgnoreCase(text) < length;
}

bool QeString::StartsWith(const QeString& text) const {
    if (IsEmpty())
        return text.IsEmpty();
    return text.length <= length && BytesEqual(buffer, text.buffer, text.length);
}

bool QeString::EndsWith(const QeString& text) const {
    return IndexOf(text, length - text.length) != maxLen;
}

template <class Search>
QeString QeString::ReplaceAll(const QeString& from, const QeString& to, Search search) const {
    if (from.IsEmpty())
        return *this;
    QeString result;
    result.length = length;
    result.buffer = StringAlgorithms::ReplaceAll(
        buffer, result.length, from.length, to.ConstData(), to.length,
        [&](unsigned long start) { return search(*this, from, start); });
    return result;
}

QeString QeString::Replace(const QeString& from, const QeString& to) const {
    return ReplaceAll(from, to, [](const QeString& in, const QeString& what, unsigned long start) {
        return in.IndexOf(what, start);
    });
}

QeString QeString::ReplaceIgnoreCase(const QeString& from, const QeString& to) const {
    return ReplaceAll(from, to, [](const QeString& in, const QeString& what, unsigned long start) {
        return in.IndexOfIgnoreCase(what, start);
    });
}

QeString QeString::ReplaceChars(const QeString& chars, char ch) const {
    if (IsEmpty() || ch == '\0' || chars.IsEmpty())
        return *this;
    bool replaced[256] = {};
    for (unsigned long i = 0; i < chars.length; ++i)
        replaced[static_cast<unsigned char>(chars.buffer[i])] = true;
    QeString result(*this);
    for (unsigned long i = 0; i < result.length; ++i) {
        if (replaced[static_cast<unsigned char>(result.buffer[i])])
            result.buffer[i] = ch;
    }
    return result;
}

QeString QeString::Transformed(int (*map)(int)) const {
    QeString result(*this);
    for (unsigned long i = 0; i < result.length; ++i)
        result.buffer[i] = static_cast<char>(map(static_cast<unsigned char>(result.buffer[i])));
    return result;
}

QeString QeString::ToLower() const {
    return Transformed([](int byte) { return std::tolower(byte); });
}

QeString QeString::ToUpper() const {
    return Transformed([](int byte) { return std::toupper(byte); });
}

QeString QeString::Trim() const {
    return StringLibrary::Trim(*this);
}

QeString QeString::ToUTF8() const {
    return *this;
}

QeUnicodeString QeString::GetUnicode() const {
    QeUnicodeString wide;
    if (IsSet())
        wide.FromUTF8(buffer, length);
    return wide;
}

int QeString::GetLong(int def) const {
    if (IsEmpty())
        return def;
    // strtol reads what "%ld" reads (white space, a sign, decimal digits,
    // clamped on overflow), several times faster.
    char* end = nullptr;
    const long value = std::strtol(buffer, &end, 10);
    if (end == buffer)
        return def;
    // Keeps the low 32 bits, as the stored number is 32-bit.
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

unsigned int QeString::GetULong(unsigned int def) const {
    if (IsEmpty())
        return def;
    unsigned int value = 0;
    return std::sscanf(buffer, "%u", &value) == 1 ? value : def;
}

double QeString::GetDouble(double def) const {
    if (IsEmpty())
        return def;
    double value = def;
    std::sscanf(buffer, "%lf", &value);
    return value;
}

template <class Number> QeString& QeString::FromNumber(const char* format, Number value) {
    Clear();
    // Sized first, so that no value can write past the text (a double's "%f"
    // may need over 300 characters).
    char small[30] = {};
    const int needed = std::snprintf(small, sizeof small, format, value);
    if (needed < 0)
        return *this;
    if (static_cast<unsigned long>(needed) < sizeof small) {
        init(small, static_cast<unsigned long>(needed));
    } else {
        std::string text(static_cast<std::size_t>(needed) + 1, '\0');
        std::snprintf(text.data(), text.size(), format, value);
        init(text.data(), static_cast<unsigned long>(needed));
    }
    return *this;
}

QeString& QeString::FromDword(unsigned int value) {
    return FromNumber("%u", value);
}

QeString& QeString::FromInt(int value) {
    return FromNumber("%d", value);
}

QeString& QeString::FromDouble(double value) {
    return FromNumber("%f", value);
}

QeString& QeString::FromFormat(QeString format, ...) {
    Clear();
    if (format.IsEmpty())
        return *this;
    char text[512] = {};
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text - 1, format.ConstData(), arguments);
    va_end(arguments);
    init(text, std::strlen(text));
    return *this;
}

namespace {

const char kGuidFormat[] = "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x";

} // namespace

_GUID QeString::GetGUID(bool* ok) const {
    _GUID guid = GetNullGuid();
    unsigned int part[11] = {};
    const bool read = IsSet() && std::sscanf(buffer, kGuidFormat, &part[0], &part[1], &part[2],
                                             &part[3], &part[4], &part[5], &part[6], &part[7],
                                             &part[8], &part[9], &part[10]) == 11;
    if (read) {
        guid.Data1 = part[0];
        guid.Data2 = static_cast<unsigned short>(part[1]);
        guid.Data3 = static_cast<unsigned short>(part[2]);
        for (int i = 0; i < 8; ++i)
            guid.Data4[i] = static_cast<unsigned char>(part[3 + i]);
    }
    if (ok != nullptr)
        *ok = read;
    return guid;
}

QeString& QeString::FromGUID(const _GUID& guid) {
    char text[40] = {};
    std::snprintf(text, sizeof text, kGuidFormat,
                  static_cast<unsigned int>(guid.Data1 & 0xFFFFFFFFUL), guid.Data2, guid.Data3,
                  guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                  guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    init(text, std::strlen(text));
    return *this;
}

const _GUID& QeString::GetNullGuid() {
    static const _GUID null = {};
    return null;
}

#ifdef __APPLE__
QeString& QeString::FromCFString(CFStringRef text) {
    Clear();
    if (text == nullptr || CFStringGetLength(text) <= 0)
        return *this;
    const CFIndex size =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(text), kCFStringEncodingUTF8) + 1;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (CFStringGetCString(text, bytes.data(), size, kCFStringEncodingUTF8))
        init(bytes.data(), std::strlen(bytes.data()));
    return *this;
}

CFStringRef QeString::CreateCFString() const {
    return CFStringCreateWithCString(kCFAllocatorDefault, ConstData(), kCFStringEncodingUTF8);
}
#endif
