// QeString: the suite's owned byte string.
//
// A string holds `length` bytes followed by one NUL byte in a block of exactly
// `length` + 1 bytes; the content may itself hold NUL bytes. Unset and empty are
// one state (`length` 0, no block). Copies are deep; the string's own block is
// requested without exceptions, and a string whose block cannot be had stays
// unset (FromDouble of a very long number and FromCFString build a std::string
// first, which throws std::bad_alloc when memory is short). The members the
// wide string shares are written once, in StringAlgorithms.
//
//   QeString path("/Library/Plug-ins");
//   path.IndexOf("/", 1);              // 8
//   path.Substr(9);                    // "Plug-ins"
//   QeString("a;b").Replace(";", ","); // "a,b"
//   QeString(" 12px").GetLong();       // 12
#ifndef QE_QESTRING_H
#define QE_QESTRING_H

#include "PlatformMac.h"
#include "StringAlgorithms.h"

#include <cstdarg>
#include <utility>

#ifdef __APPLE__
#include <CoreFoundation/CoreFoundation.h>
#endif

class QeUnicodeString;

class QeString {
public:
    /// All bits set. As a length: up to the source's NUL, or to the end. As a
    /// search result: not found.
    static const unsigned long maxLen;

    /// Number of content bytes; 0 when unset.
    unsigned long length;
    /// The content and a NUL after it; null when unset. The string's own
    /// operations replace the block only through Adopt; callers may change
    /// bytes in place but never the pointer or `length`.
    char* buffer;

    /// An unset string.
    QeString();
    /// The first `len` bytes of `text`; `maxLen` takes up to its NUL. Null
    /// gives an unset string whatever `len`, so null text given where a
    /// QeString is taken (comparisons, searches, formats) is the empty text.
    QeString(char* text, unsigned long len = maxLen);
    QeString(const char* text, unsigned long len = maxLen) : QeString() {
        StringAlgorithms::InitFromText(*this, text, len);
    }
    /// Wide text up to `len` characters (`maxLen`: to its zero unit), in the
    /// current locale's multibyte encoding. Null, or text the locale cannot
    /// encode, gives an unset string.
    QeString(const wchar_t* text, unsigned long len = maxLen);
    /// A deep copy.
    QeString(const QeString& other) : QeString() { init(other.buffer, other.length); }
    /// Takes over the other string's block; the other is left unset.
    QeString(QeString&& other) noexcept : QeString() { *this = std::move(other); }
    virtual ~QeString() { delete[] buffer; }

    /// Stores a copy of exactly `n` bytes of `src`, NUL bytes included (`maxLen`
    /// is no "up to the NUL" here). Null `src` whatever `n`, `n` 0, a size that
    /// cannot be represented or a failed allocation leaves the string unset.
    void init(const char* src, unsigned long n) { StringAlgorithms::Init(*this, src, n); }
    /// Stores a copy of the other string's content; self-assignment keeps it.
    QeString& operator=(const QeString& other) {
        return StringAlgorithms::CopyAssign(*this, other);
    }
    /// Takes over the other string's block (itself included); the other is left unset.
    QeString& operator=(QeString&& other) noexcept {
        return StringAlgorithms::MoveAssign(*this, other);
    }
    /// Frees the content; the string becomes unset.
    void Clear() { Adopt(nullptr, 0); }

    /// Number of content bytes.
    unsigned long Size() const { return length; }
    /// The block, or null when unset.
    char* Data() { return buffer; }
    const char* Data() const { return buffer; }
    /// The content as NUL-terminated text; never null ("" when unset).
    const char* ConstData() const { return StringAlgorithms::ConstData(*this); }
    /// True when the string holds at least one byte.
    bool IsSet() const { return length != 0; }
    /// True when the string holds no byte.
    bool IsEmpty() const { return length == 0; }
    /// True when `pos` is the index of a byte of the content.
    bool HasOf(unsigned long pos) const { return pos < length; }
    /// The byte at `pos`, or 0 past the end.
    char operator[](unsigned long pos) const { return pos < length ? buffer[pos] : 0; }

    /// Same length and the same bytes, over the whole length.
    bool Equals(const QeString& other) const { return StringAlgorithms::Equals(*this, other); }
    /// Same length and the same bytes ignoring ASCII case, over the whole length.
    bool EqualsIgnoreCase(const QeString& other) const {
        return StringAlgorithms::EqualsIgnoreCase(*this, other);
    }
    bool operator==(const QeString& other) const { return Equals(other); }
    bool operator!=(const QeString& other) const { return !Equals(other); }
    /// Container order: longer strings first, equal lengths bytewise
    /// (unsigned), the empty string last. So "abc" < "zz" < "a" < "". Kept on
    /// purpose: the definition's maps are ordered by it.
    bool operator<(const QeString& other) const { return StringAlgorithms::Less(*this, other); }

    /// Appends the other string's content; on a failed allocation nothing
    /// changes. Appending a string to itself doubles it.
    void Append(const QeString& other) { StringAlgorithms::Append(*this, other); }
    /// As Append.
    QeString& operator+=(const QeString& other) {
        Append(other);
        return *this;
    }
    /// Appends NUL-terminated text; null appends nothing.
    QeString& operator+=(const char* text) { return *this += QeString(text); }
    /// A copy with the other string or NUL-terminated text appended; null
    /// appends nothing.
    QeString operator+(const QeString& other) const {
        return StringAlgorithms::Joined(*this, other);
    }
    QeString operator+(const char* text) const { return *this + QeString(text); }

    /// `count` bytes from `pos` (fewer at the end; `maxLen` takes the rest).
    /// Unset when `pos` is not inside the string.
    QeString Substr(unsigned long pos, unsigned long count = maxLen) const {
        return StringAlgorithms::Substr(*this, pos, count);
    }
    /// First occurrence of `text` at or after `start`, or `maxLen`. An empty
    /// `text` is found at `start` when `start` is inside the string.
    unsigned long IndexOf(const QeString& text, unsigned long start = 0) const {
        return StringAlgorithms::IndexOf(*this, text, start);
    }
    /// As IndexOf, ignoring ASCII case.
    unsigned long IndexOfIgnoreCase(const QeString& text, unsigned long start = 0) const {
        return StringAlgorithms::IndexOfIgnoreCase(*this, text, start);
    }
    /// Last occurrence of `text`, or `maxLen`. An empty `text` gives the length.
    unsigned long IndexLastOf(const QeString& text) const {
        return StringAlgorithms::IndexLastOf(*this, text);
    }
    /// As IndexLastOf, ignoring ASCII case.
    unsigned long IndexLastOfIgnoreCase(const QeString& text) const {
        return StringAlgorithms::IndexLastOfIgnoreCase(*this, text);
    }
    /// True when IndexOf finds `text`; never true in an empty string.
    bool Contains(const QeString& text) const { return IndexOf(text) < length; }
    /// As Contains, ignoring ASCII case.
    bool ContainsIgnoreCase(const QeString& text) const { return IndexOfIgnoreCase(text) < length; }
    /// True when the string begins with `text`; always true for an empty `text`.
    bool StartsWith(const QeString& text) const {
        return StringAlgorithms::StartsWith(*this, text);
    }
    /// True when the string ends with `text`; always false for an empty `text`
    /// (deliberately unlike StartsWith, kept as callers have always seen it).
    bool EndsWith(const QeString& text) const { return StringAlgorithms::EndsWith(*this, text); }

    /// Every occurrence of `from` replaced by `to`, left to right, without
    /// overlap; the inserted text is not searched again ("aaa": "aa" -> "b"
    /// gives "ba"). An empty `from` gives an unchanged copy.
    QeString Replace(const QeString& from, const QeString& to) const {
        return StringAlgorithms::Replace(*this, from, to);
    }
    /// As Replace, finding `from` ignoring ASCII case.
    QeString ReplaceIgnoreCase(const QeString& from, const QeString& to) const {
        return StringAlgorithms::ReplaceIgnoreCase(*this, from, to);
    }
    /// Every byte that occurs in `chars` replaced by `ch`. An unchanged copy
    /// when `chars` is empty or `ch` is NUL.
    QeString ReplaceChars(const QeString& chars, char ch) const {
        return StringAlgorithms::ReplaceChars(*this, chars, ch);
    }
    /// A copy with every byte mapped by tolower / toupper of the C library.
    QeString ToLower() const { return StringAlgorithms::ToLower(*this); }
    QeString ToUpper() const { return StringAlgorithms::ToUpper(*this); }
    /// A copy without leading and trailing TAB, LF, CR and SPACE.
    QeString Trim() const;
    /// The UTF-8 form: the content is UTF-8 already, so an unchanged copy.
    QeString ToUTF8() const;
    /// The content as wide text, decoded in the current locale up to its
    /// first NUL; unset when nothing decodes.
    QeUnicodeString GetUnicode() const;

    /// The decimal integer at the start (after white space), as strtol reads
    /// it (clamped to long), truncated to 32 bits; `def` when the string is
    /// empty or holds no number there.
    int GetLong(int def = 0) const { return StringAlgorithms::GetLong(*this, def); }
    /// The unsigned decimal at the start, as strtoul reads it, truncated to 32
    /// bits ("-1" reads as 2^32 - 1); else `def`.
    unsigned int GetULong(unsigned int def = 0) const {
        return StringAlgorithms::GetULong(*this, def);
    }
    /// The floating-point number at the start, as strtod reads it; else `def`.
    double GetDouble(double def = 0.0) const { return StringAlgorithms::GetDouble(*this, def); }

    /// Replace the content by the number's decimal text ("%u", "%d", "%f":
    /// 2.5 gives "2.500000"); returns this string.
    QeString& FromDword(unsigned int value);
    QeString& FromInt(int value);
    QeString& FromDouble(double value);
    /// Replaces the content by printf-style output, cut at 510 bytes. An
    /// empty or null format leaves the string unset.
    QeString& FromFormat(QeString format, ...) {
        va_list arguments;
        va_start(arguments, format);
        StringAlgorithms::FromFormat(*this, format, arguments);
        va_end(arguments);
        return *this;
    }

    /// Reads a hyphenated identifier ("6b29fc40-ca47-1067-b31d-00dd010662da",
    /// either case, no braces; text after it is ignored). The all-zero
    /// identifier when it does not read; `ok` (may be null) tells which.
    _GUID GetGUID(bool* ok = nullptr) const;
    /// Replaces the content by the identifier's 36-character lowercase text.
    QeString& FromGUID(const _GUID& guid);
    /// The all-zero identifier.
    static const _GUID& GetNullGuid();

#ifdef __APPLE__
    /// Replaces the content by the platform string's UTF-8 text; an empty or
    /// null one, or one that does not convert, leaves it unset.
    QeString& FromCFString(CFStringRef text);
    /// A new platform string of the UTF-8 content, owned by the caller.
    CFStringRef CreateCFString() const;
#endif

private:
    friend class StringAlgorithms;

    /// Frees the block and makes `block` (`size` bytes and a NUL) the
    /// content; null leaves the string unset.
    void Adopt(char* block, unsigned long size) noexcept {
        StringAlgorithms::Exchange(buffer, length, block, size);
    }
    template <class Number> QeString& FromNumber(const char* format, Number value);
};

#endif
