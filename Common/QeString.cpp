#include "QeString.h"

#include "StringLibrary.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

const unsigned long QeString::maxLen = ~0UL;

namespace {

const char kEmptyText[] = "";

// The C library takes a byte as unsigned char: a negative value other than
// EOF is undefined there.
int ToLowerByte(char byte) {
    return std::tolower(static_cast<unsigned char>(byte));
}

bool BytesEqual(const char* a, const char* b, unsigned long n) {
    return n == 0 || std::memcmp(a, b, n) == 0;
}

bool BytesEqualIgnoreCase(const char* a, const char* b, unsigned long n) {
    for (unsigned long i = 0; i < n; ++i) {
        if (ToLowerByte(a[i]) != ToLowerByte(b[i]))
            return false;
    }
    return true;
}

// Finds `needle` in haystack[start, size) by scanning for its first byte,
// the way the C library's own searches do.
unsigned long FindExact(const char* haystack, unsigned long size, const char* needle,
                        unsigned long needleSize, unsigned long start) {
    if (needleSize == 0)
        return start;
    const unsigned long lastStart = size - needleSize;
    const char* cursor = haystack + start;
    const char* const last = haystack + lastStart;
    while (cursor <= last) {
        const void* first = std::memchr(cursor, needle[0], static_cast<size_t>(last - cursor) + 1);
        if (first == nullptr)
            break;
        cursor = static_cast<const char*>(first);
        if (std::memcmp(cursor + 1, needle + 1, needleSize - 1) == 0)
            return static_cast<unsigned long>(cursor - haystack);
        ++cursor;
    }
    return QeString::maxLen;
}

unsigned long FindIgnoreCase(const char* haystack, unsigned long size, const char* needle,
                             unsigned long needleSize, unsigned long start) {
    for (unsigned long p = start; p <= size - needleSize; ++p) {
        if (BytesEqualIgnoreCase(haystack + p, needle, needleSize))
            return p;
    }
    return QeString::maxLen;
}

template <class Equal>
unsigned long FindLast(const char* haystack, unsigned long size, const char* needle,
                       unsigned long needleSize, Equal equal) {
    for (unsigned long p = size - needleSize + 1; p-- > 0;) {
        if (equal(haystack + p, needle, needleSize))
            return p;
    }
    return QeString::maxLen;
}

} // namespace

QeString::QeString() : length(0), buffer(nullptr) {}

QeString::QeString(char* text, unsigned long len) : QeString(static_cast<const char*>(text), len) {}

QeString::QeString(const char* text, unsigned long len) : QeString() {
    if (text == nullptr)
        return;
    init(text, len == maxLen ? std::strlen(text) : len);
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
    // n + 1 wraps to 0 for n == maxLen; such a block could never be had.
    char* block =
        src != nullptr && n != 0 && n != maxLen ? new (std::nothrow) char[n + 1] : nullptr;
    // The copy is made before the old block goes, so `src` may point into it.
    if (block != nullptr) {
        std::memcpy(block, src, n);
        block[n] = '\0';
    }
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
    if (other.IsEmpty())
        return IsSet();
    if (length != other.length)
        return length > other.length;
    return std::memcmp(buffer, other.buffer, length) < 0;
}

void QeString::Append(const QeString& other) {
    if (other.IsEmpty())
        return;
    const unsigned long total = length + other.length;
    char* block = new (std::nothrow) char[total + 1];
    if (block == nullptr)
        return;
    if (length > 0)
        std::memcpy(block, buffer, length);
    std::memcpy(block + length, other.buffer, other.length);
    block[total] = '\0';
    // Freed only after both copies, so appending a string to itself works.
    delete[] buffer;
    buffer = block;
    length = total;
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
    if (start >= length || text.length > length || start > length - text.length)
        return maxLen;
    return FindExact(buffer, length, text.ConstData(), text.length, start);
}

unsigned long QeString::IndexOfIgnoreCase(const QeString& text, unsigned long start) const {
    if (start >= length || text.length > length || start > length - text.length)
        return maxLen;
    return FindIgnoreCase(buffer, length, text.ConstData(), text.length, start);
}

unsigned long QeString::IndexLastOf(const QeString& text) const {
    if (text.length > length)
        return maxLen;
    return FindLast(ConstData(), length, text.ConstData(), text.length, BytesEqual);
}

unsigned long QeString::IndexLastOfIgnoreCase(const QeString& text) const {
    if (text.length > length)
        return maxLen;
    return FindLast(ConstData(), length, text.ConstData(), text.length, BytesEqualIgnoreCase);
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
    // Count first, so the result is built in one block of its final size.
    unsigned long matches = 0;
    for (unsigned long p = search(*this, from, 0); p != maxLen;
         p = search(*this, from, p + from.length))
        ++matches;
    if (matches == 0)
        return *this;
    const unsigned long size = length - matches * from.length + matches * to.length;
    if (size == 0)
        return QeString();
    char* block = new (std::nothrow) char[size + 1];
    if (block == nullptr)
        return QeString();
    char* out = block;
    unsigned long copied = 0;
    for (unsigned long p = search(*this, from, 0); p != maxLen;
         p = search(*this, from, p + from.length)) {
        std::memcpy(out, buffer + copied, p - copied);
        out += p - copied;
        if (to.length > 0)
            std::memcpy(out, to.buffer, to.length);
        out += to.length;
        copied = p + from.length;
    }
    std::memcpy(out, buffer + copied, length - copied);
    block[size] = '\0';
    QeString result;
    result.buffer = block;
    result.length = size;
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

int QeString::GetLong(int def) const {
    if (IsEmpty())
        return def;
    long value = 0;
    if (std::sscanf(buffer, "%ld", &value) < 1)
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
