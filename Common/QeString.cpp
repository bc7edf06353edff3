#include "QeString.h"

#include "QeUnicodeString.h"
#include "StringLibrary.h"

#include <cstdio>
#include <cstring>
#include <string>

const unsigned long QeString::maxLen = ~0UL;

QeString::QeString() : length(0), buffer(nullptr) {}

QeString::QeString(char* text, unsigned long len) : QeString(static_cast<const char*>(text), len) {}

QeString::QeString(const wchar_t* text, unsigned long len) : QeString() {
    if (text != nullptr)
        *this = QeUnicodeString(text, len).ToUTF8();
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
