#include "QeUnicodeString.h"

#include "StringAlgorithms.h"
#include "StringLibrary.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

const unsigned long QeUnicodeString::maxLen = ~0UL;

namespace {

// Encodes with wcstombs into at most `bytesPerUnit` bytes a character; the
// exact bytes produced, or unset when none were or a character failed.
QeString Encode(const QeUnicodeString& text, unsigned long bytesPerUnit) {
    if (text.IsEmpty() || text.Size() >= ULONG_MAX / (bytesPerUnit + 1))
        return QeString();
    const unsigned long capacity = bytesPerUnit * text.Size();
    char* bytes = StringAlgorithms::NewUnits<char>(capacity);
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

QeUnicodeString::QeUnicodeString(const char* text, unsigned long len) : QeUnicodeString() {
    if (text != nullptr)
        *this = QeString(text, len).GetUnicode();
}

QeUnicodeString QeUnicodeString::Trim() const {
    return StringLibrary::Trim(*this);
}

// Number texts are ASCII, so the byte string's text widens unit by unit.
QeUnicodeString& QeUnicodeString::FromAscii(const QeString& text) {
    wchar_t* block = text.IsSet() ? StringAlgorithms::NewUnits<wchar_t>(text.Size()) : nullptr;
    if (block != nullptr) {
        for (unsigned long i = 0; i < text.Size(); ++i)
            block[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
        block[text.Size()] = L'\0';
    }
    Adopt(block, text.Size());
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
    wchar_t* block = StringAlgorithms::NewUnits<wchar_t>(len);
    if (block == nullptr)
        return;
    const std::size_t produced = std::mbstowcs(block, text, len);
    if (produced == static_cast<std::size_t>(-1) || produced == 0) {
        delete[] block;
        return;
    }
    block[produced] = L'\0';
    Adopt(block, produced);
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
    wchar_t* block = StringAlgorithms::NewUnits<wchar_t>(count);
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
    Adopt(block, produced);
}
