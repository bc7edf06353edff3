// QeUnicodeString: the wide-character twin of QeString.
//
// It holds `length` wchar_t units (one code point each) and a zero unit in a
// block of exactly `length` + 1 units, with QeString's rules: unset and empty
// are one state, copies are deep, storage is requested without exceptions,
// and every comparison and search covers the whole length. Conversions to
// and from byte text use the current locale's multibyte encoding.
//
//   QeUnicodeString wide("Plug-ins");     // from byte text
//   wide.IndexOf(L"-");                   // 4
//   wide.ToUTF8();                        // QeString("Plug-ins")
//   QeUnicodeString(L"a\0b", 3).Size();   // 3
#ifndef QE_QEUNICODESTRING_H
#define QE_QEUNICODESTRING_H

#include "QeString.h"

#include <cwchar>

class QeUnicodeString {
public:
    /// All bits set: the whole source, the rest of the string, or not found.
    static const unsigned long maxLen;

    /// Number of wide characters; 0 when unset.
    unsigned long length;
    /// The content and a zero unit after it; null when unset.
    wchar_t* buffer;

    QeUnicodeString();
    /// The first `len` units of `text` (`maxLen`: up to its zero unit). Null
    /// gives an unset string whatever `len`, so null text given where a
    /// QeUnicodeString is taken is the empty text.
    QeUnicodeString(wchar_t* text, unsigned long len = maxLen);
    QeUnicodeString(const wchar_t* text, unsigned long len = maxLen);
    /// Byte text decoded in the current locale; null or undecodable text
    /// gives an unset string.
    QeUnicodeString(const char* text, unsigned long len = maxLen);
    QeUnicodeString(const QeUnicodeString& other);
    QeUnicodeString(QeUnicodeString&& other) noexcept;
    virtual ~QeUnicodeString();

    /// Stores a copy of exactly `n` units of `src`. Null `src` whatever `n`,
    /// `n` 0, a size that cannot be represented (`maxLen` among them) or a
    /// failed allocation leaves the string unset.
    void init(const wchar_t* src, unsigned long n);
    QeUnicodeString& operator=(const QeUnicodeString& other);
    QeUnicodeString& operator=(QeUnicodeString&& other) noexcept;
    void Clear();

    unsigned long Size() const { return length; }
    wchar_t* Data() { return buffer; }
    const wchar_t* Data() const { return buffer; }
    /// The content as zero-terminated text; never null.
    const wchar_t* ConstData() const;
    bool IsSet() const { return length != 0; }
    bool IsEmpty() const { return length == 0; }
    bool HasOf(unsigned long pos) const { return pos < length; }
    /// The character at `pos`, or 0 past the end.
    wchar_t operator[](unsigned long pos) const { return pos < length ? buffer[pos] : 0; }

    bool Equals(const QeUnicodeString& other) const;
    /// Same length and the same characters after towlower, over the whole length.
    bool EqualsIgnoreCase(const QeUnicodeString& other) const;
    bool operator==(const QeUnicodeString& other) const { return Equals(other); }
    bool operator!=(const QeUnicodeString& other) const { return !Equals(other); }
    /// Longer strings first, equal lengths by character, the empty string last.
    bool operator<(const QeUnicodeString& other) const;

    void Append(const QeUnicodeString& other);
    QeUnicodeString& operator+=(const QeUnicodeString& other);
    /// Appends zero-terminated text; null appends nothing.
    QeUnicodeString& operator+=(const wchar_t* text);
    /// A copy with the other text appended; null appends nothing.
    QeUnicodeString operator+(const QeUnicodeString& other) const;
    QeUnicodeString operator+(const wchar_t* text) const;

    QeUnicodeString Substr(unsigned long pos, unsigned long count = maxLen) const;
    unsigned long IndexOf(const QeUnicodeString& text, unsigned long start = 0) const;
    unsigned long IndexOfIgnoreCase(const QeUnicodeString& text, unsigned long start = 0) const;
    unsigned long IndexLastOf(const QeUnicodeString& text) const;
    unsigned long IndexLastOfIgnoreCase(const QeUnicodeString& text) const;
    bool Contains(const QeUnicodeString& text) const;
    bool ContainsIgnoreCase(const QeUnicodeString& text) const;
    /// False for an empty `text`, as for the byte string.
    bool EndsWith(const QeUnicodeString& text) const;

    QeUnicodeString Replace(const QeUnicodeString& from, const QeUnicodeString& to) const;
    QeUnicodeString ReplaceIgnoreCase(const QeUnicodeString& from, const QeUnicodeString& to) const;
    QeUnicodeString ReplaceChars(const QeUnicodeString& chars, wchar_t ch) const;
    /// Copies mapped by towlower / towupper of the current locale.
    QeUnicodeString ToLower() const;
    QeUnicodeString ToUpper() const;
    /// Without leading and trailing TAB, LF, CR and SPACE.
    QeUnicodeString Trim() const;

    int GetLong(int def = 0) const;
    unsigned int GetULong(unsigned int def = 0) const;
    double GetDouble(double def = 0.0) const;

    QeUnicodeString& FromDword(unsigned int value);
    QeUnicodeString& FromInt(int value);
    QeUnicodeString& FromDouble(double value);
    /// Replaces the content by wprintf-style output, cut at 510 characters. An
    /// empty or null format leaves the string unset.
    QeUnicodeString& FromFormat(QeUnicodeString format, ...);

    /// The content in the current locale's multibyte encoding; unset when a
    /// character cannot be encoded (never a partial result).
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
    void Adopt(wchar_t* block, unsigned long size) noexcept;
    QeUnicodeString& FromAscii(const QeString& text);
};

#endif
