// QeUnicodeString: the wide-character twin of QeString.
//
// It holds `length` wchar_t units (one code point each) and a zero unit in a
// block of exactly `length` + 1 units, with QeString's rules: unset and empty
// are one state, copies are deep, the string's own block is requested
// without exceptions (ToUTF16 builds a std::string first, which throws
// std::bad_alloc when memory is short), and every comparison and search
// covers the whole length. The members it shares with QeString are written
// once, in StringAlgorithms; each line below says "as QeString::X" where the
// edge behaviour is the same. Conversions to and from byte text use the
// current locale's multibyte encoding.
//
//   QeUnicodeString wide("Plug-ins");     // from byte text
//   wide.IndexOf(L"-");                   // 4
//   wide.ToUTF8();                        // QeString("Plug-ins")
//   QeUnicodeString(L"a\0b", 3).Size();   // 3
#ifndef QE_QEUNICODESTRING_H
#define QE_QEUNICODESTRING_H

#include "QeString.h"
#include "StringAlgorithms.h"

#include <cstdarg>
#include <cwchar>
#include <utility>

class QeUnicodeString {
public:
    /// All bits set: the whole source, the rest of the string, or not found.
    static const unsigned long maxLen;

    /// Number of wide characters; 0 when unset.
    unsigned long length;
    /// The content and a zero unit after it; null when unset. As QeString::buffer:
    /// replaced only through Adopt, units may be changed in place.
    wchar_t* buffer;

    /// An unset string.
    QeUnicodeString();
    /// The first `len` units of `text` (`maxLen`: up to its zero unit). Null
    /// gives an unset string whatever `len`, so null text given where a
    /// QeUnicodeString is taken is the empty text.
    QeUnicodeString(wchar_t* text, unsigned long len = maxLen);
    QeUnicodeString(const wchar_t* text, unsigned long len = maxLen) : QeUnicodeString() {
        StringAlgorithms::InitFromText(*this, text, len);
    }
    /// Byte text decoded in the current locale; null or undecodable text
    /// gives an unset string.
    QeUnicodeString(const char* text, unsigned long len = maxLen);
    /// A deep copy.
    QeUnicodeString(const QeUnicodeString& other) : QeUnicodeString() {
        init(other.buffer, other.length);
    }
    /// Takes over the other string's block; the other is left unset.
    QeUnicodeString(QeUnicodeString&& other) noexcept : QeUnicodeString() {
        *this = std::move(other);
    }
    virtual ~QeUnicodeString() { delete[] buffer; }

    /// Stores a copy of exactly `n` units of `src`. Null `src` whatever `n`,
    /// `n` 0, a size that cannot be represented (`maxLen` among them) or a
    /// failed allocation leaves the string unset.
    void init(const wchar_t* src, unsigned long n) { StringAlgorithms::Init(*this, src, n); }
    /// As QeString::operator=: self-assignment keeps the content.
    QeUnicodeString& operator=(const QeUnicodeString& other) {
        return StringAlgorithms::CopyAssign(*this, other);
    }
    /// Takes over the other string's block (itself included); the other is left unset.
    QeUnicodeString& operator=(QeUnicodeString&& other) noexcept {
        return StringAlgorithms::MoveAssign(*this, other);
    }
    /// Frees the content; the string becomes unset.
    void Clear() { Adopt(nullptr, 0); }

    /// Number of characters.
    unsigned long Size() const { return length; }
    /// The block, or null when unset.
    wchar_t* Data() { return buffer; }
    const wchar_t* Data() const { return buffer; }
    /// The content as zero-terminated text; never null (L"" when unset).
    const wchar_t* ConstData() const { return StringAlgorithms::ConstData(*this); }
    /// True when the string holds at least one character.
    bool IsSet() const { return length != 0; }
    /// True when the string holds no character.
    bool IsEmpty() const { return length == 0; }
    /// True when `pos` is the index of a character of the content.
    bool HasOf(unsigned long pos) const { return pos < length; }
    /// The character at `pos`, or 0 past the end.
    wchar_t operator[](unsigned long pos) const { return pos < length ? buffer[pos] : 0; }

    /// Same length and the same units, over the whole length.
    bool Equals(const QeUnicodeString& other) const {
        return StringAlgorithms::Equals(*this, other);
    }
    /// Same length and the same characters after towlower, over the whole length.
    bool EqualsIgnoreCase(const QeUnicodeString& other) const {
        return StringAlgorithms::EqualsIgnoreCase(*this, other);
    }
    bool operator==(const QeUnicodeString& other) const { return Equals(other); }
    bool operator!=(const QeUnicodeString& other) const { return !Equals(other); }
    /// As QeString::operator<, by unit value: longer first, the empty string
    /// last (deliberately, as the byte string's containers are ordered).
    bool operator<(const QeUnicodeString& other) const {
        return StringAlgorithms::Less(*this, other);
    }

    /// As QeString::Append: nothing changes on a failed allocation; appending
    /// a string to itself doubles it.
    void Append(const QeUnicodeString& other) { StringAlgorithms::Append(*this, other); }
    /// As Append.
    QeUnicodeString& operator+=(const QeUnicodeString& other) {
        Append(other);
        return *this;
    }
    /// Appends zero-terminated text; null appends nothing.
    QeUnicodeString& operator+=(const wchar_t* text) { return *this += QeUnicodeString(text); }
    /// A copy with the other text appended; null appends nothing.
    QeUnicodeString operator+(const QeUnicodeString& other) const {
        return StringAlgorithms::Joined(*this, other);
    }
    QeUnicodeString operator+(const wchar_t* text) const { return *this + QeUnicodeString(text); }

    /// As QeString::Substr: unset when `pos` is not inside the string.
    QeUnicodeString Substr(unsigned long pos, unsigned long count = maxLen) const {
        return StringAlgorithms::Substr(*this, pos, count);
    }
    /// As QeString::IndexOf: `maxLen` when not found; an empty `text` is found
    /// at `start` when `start` is inside the string.
    unsigned long IndexOf(const QeUnicodeString& text, unsigned long start = 0) const {
        return StringAlgorithms::IndexOf(*this, text, start);
    }
    /// As IndexOf, comparing characters after towlower.
    unsigned long IndexOfIgnoreCase(const QeUnicodeString& text, unsigned long start = 0) const {
        return StringAlgorithms::IndexOfIgnoreCase(*this, text, start);
    }
    /// As QeString::IndexLastOf: an empty `text` gives the length.
    unsigned long IndexLastOf(const QeUnicodeString& text) const {
        return StringAlgorithms::IndexLastOf(*this, text);
    }
    /// As IndexLastOf, comparing characters after towlower.
    unsigned long IndexLastOfIgnoreCase(const QeUnicodeString& text) const {
        return StringAlgorithms::IndexLastOfIgnoreCase(*this, text);
    }
    /// True when IndexOf finds `text`; never true in an empty string.
    bool Contains(const QeUnicodeString& text) const { return IndexOf(text) < length; }
    /// As Contains, comparing characters after towlower.
    bool ContainsIgnoreCase(const QeUnicodeString& text) const {
        return IndexOfIgnoreCase(text) < length;
    }
    /// As QeString::EndsWith: false for an empty `text` (deliberately).
    bool EndsWith(const QeUnicodeString& text) const {
        return StringAlgorithms::EndsWith(*this, text);
    }

    /// As QeString::Replace: left to right, without overlap; an empty `from`
    /// gives an unchanged copy.
    QeUnicodeString Replace(const QeUnicodeString& from, const QeUnicodeString& to) const {
        return StringAlgorithms::Replace(*this, from, to);
    }
    /// As Replace, finding `from` after towlower.
    QeUnicodeString ReplaceIgnoreCase(const QeUnicodeString& from,
                                      const QeUnicodeString& to) const {
        return StringAlgorithms::ReplaceIgnoreCase(*this, from, to);
    }
    /// As QeString::ReplaceChars: an unchanged copy when `chars` is empty or
    /// `ch` is the zero unit.
    QeUnicodeString ReplaceChars(const QeUnicodeString& chars, wchar_t ch) const {
        return StringAlgorithms::ReplaceChars(*this, chars, ch);
    }
    /// Copies mapped by towlower / towupper of the current locale.
    QeUnicodeString ToLower() const { return StringAlgorithms::ToLower(*this); }
    QeUnicodeString ToUpper() const { return StringAlgorithms::ToUpper(*this); }
    /// Without leading and trailing TAB, LF, CR and SPACE (no other character).
    QeUnicodeString Trim() const;

    /// As QeString::GetLong, with wcstol: clamped to long, truncated to 32 bits.
    int GetLong(int def = 0) const { return StringAlgorithms::GetLong(*this, def); }
    /// As QeString::GetULong, with wcstoul ("-1" reads as 2^32 - 1).
    unsigned int GetULong(unsigned int def = 0) const {
        return StringAlgorithms::GetULong(*this, def);
    }
    /// As QeString::GetDouble, with wcstod.
    double GetDouble(double def = 0.0) const { return StringAlgorithms::GetDouble(*this, def); }

    /// As QeString::FromDword / FromInt / FromDouble ("%u", "%d", "%f"),
    /// widened; returns this string.
    QeUnicodeString& FromDword(unsigned int value);
    QeUnicodeString& FromInt(int value);
    QeUnicodeString& FromDouble(double value);
    /// Replaces the content by wprintf-style output, cut at 510 characters. An
    /// empty or null format leaves the string unset.
    QeUnicodeString& FromFormat(QeUnicodeString format, ...) {
        va_list arguments;
        va_start(arguments, format);
        StringAlgorithms::FromFormat(*this, format, arguments);
        va_end(arguments);
        return *this;
    }

    /// The content in the current locale's multibyte encoding; unset when a
    /// character cannot be encoded (never a partial result). The name is kept
    /// on purpose although the encoding is the locale's, UTF-8 only under a
    /// UTF-8 locale.
    QeString ToUTF8() const;
    /// As ToUTF8, with room for two bytes a character: the encoding stops
    /// before a character that would not fit.
    QeString GetMultibyteString() const;
    /// Replaces the content by `text` decoded in the current locale, at most
    /// `len` characters (`maxLen`: the whole text). `text` must end with a
    /// NUL. Unset when `text` is null or nothing decodes.
    void FromUTF8(const char* text, unsigned long len = maxLen);
    /// The content as UTF-16 code units, big-endian when `bigEndian`, else
    /// little-endian; characters outside Unicode become U+FFFD.
    QeString ToUTF16(bool bigEndian) const;
    /// Replaces the content by `count` UTF-16 code units at `data`; an
    /// unpaired surrogate becomes U+FFFD. Null `data` or `count` 0: unset.
    void FromUTF16(const void* data, bool bigEndian, unsigned long count);

private:
    friend class StringAlgorithms;

    /// Frees the block and makes `block` (`size` units and a zero unit) the
    /// content; null leaves the string unset.
    void Adopt(wchar_t* block, unsigned long size) noexcept {
        StringAlgorithms::Exchange(buffer, length, block, size);
    }
    QeUnicodeString& FromAscii(const QeString& text);
};

#endif
