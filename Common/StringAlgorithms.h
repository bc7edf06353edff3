// StringAlgorithms: what the byte and the wide string share, written once
// over the unit type: the members of both string classes, which call these
// templates in one line each (the classes have no base class and befriend
// this one so that it can hand them new blocks), over StringComparison's
// searches and comparisons, and the replacement and new blocks on runs of
// units with an explicit length.
//
// What differs between the units is only which C library function is
// called: tolower or towlower, strtol or wcstol, vsnprintf or vswprintf.
#ifndef QE_STRINGALGORITHMS_H
#define QE_STRINGALGORITHMS_H

#include "StringComparison.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

class StringAlgorithms {
public:
    static constexpr unsigned long npos = StringComparison::npos;

    /// Every occurrence of `from` that `find(start)` reports, left to right
    /// and without overlap, replaced by `to`, in a new block of size + 1
    /// units allocated without exceptions (null when it cannot be had or the
    /// result is empty). `size` receives the result's length.
    template <class Char, class FindFrom>
    static Char* ReplaceAll(const Char* text, unsigned long& size, unsigned long fromSize,
                            const Char* to, unsigned long toSize, FindFrom find) {
        // Counted first, so the result is built in one block of its final size.
        unsigned long matches = 0;
        for (unsigned long p = find(0); p != npos; p = find(p + fromSize))
            ++matches;
        const unsigned long resultSize = size - matches * fromSize + matches * toSize;
        Char* block = resultSize == 0 ? nullptr : new (std::nothrow) Char[resultSize + 1];
        if (block != nullptr) {
            Char* out = block;
            unsigned long copied = 0;
            for (unsigned long p = find(0); p != npos; p = find(p + fromSize)) {
                out = Copy(out, text + copied, p - copied);
                out = Copy(out, to, toSize);
                copied = p + fromSize;
            }
            Copy(out, text + copied, size - copied);
            block[resultSize] = Char();
        }
        size = block != nullptr ? resultSize : 0;
        return block;
    }

    /// A new block of n units copied from `src` and a zero unit, allocated
    /// without exceptions; null when there is nothing to copy, the size cannot
    /// be represented or the memory cannot be had.
    template <class Char> static Char* NewBlock(const Char* src, unsigned long n) {
        return NewJoinedBlock(src, n, src, 0);
    }

    /// As NewBlock, holding `a` then `b`.
    template <class Char>
    static Char* NewJoinedBlock(const Char* a, unsigned long aSize, const Char* b,
                                unsigned long bSize) {
        if (aSize + bSize == 0 || aSize > kLargest<Char> || bSize > kLargest<Char> - aSize)
            return nullptr;
        Char* block = NewUnits<Char>(aSize + bSize);
        if (block != nullptr)
            *Copy(Copy(block, a, aSize), b, bSize) = Char();
        return block;
    }

    /// Uninitialised room for n units and a terminating one, allocated
    /// without exceptions; null when the size in bytes cannot be represented
    /// or the memory cannot be had.
    template <class Char> static Char* NewUnits(unsigned long n) {
        return n > kLargest<Char> ? nullptr : new (std::nothrow) Char[n + 1];
    }

    // The members of QeString and QeUnicodeString, over the string type
    // `Text` whose unit is UnitOf<Text>; each class documents them.

    template <class Text> using UnitOf = std::remove_pointer_t<decltype(Text::buffer)>;

    /// Frees the string's block and makes `block` (size units) its content;
    /// a null block leaves it unset. The one place a block changes hands.
    template <class Unit>
    static void Exchange(Unit*& buffer, unsigned long& length, Unit* block, unsigned long size) {
        delete[] buffer;
        buffer = block;
        length = block != nullptr ? size : 0;
    }

    template <class Text> static void Init(Text& s, const UnitOf<Text>* src, unsigned long n) {
        // The copy is made before the old block goes, so `src` may point into it.
        s.Adopt(src != nullptr ? NewBlock(src, n) : nullptr, n);
    }

    template <class Text>
    static void InitFromText(Text& s, const UnitOf<Text>* text, unsigned long len) {
        if (text != nullptr)
            Init(s, text, len == npos ? std::char_traits<UnitOf<Text>>::length(text) : len);
    }

    template <class Text> static Text& CopyAssign(Text& s, const Text& other) {
        if (&s != &other)
            Init(s, other.buffer, other.length);
        return s;
    }

    /// Safe on itself: the block is taken out before the old one is freed.
    template <class Text> static Text& MoveAssign(Text& s, Text& other) noexcept {
        UnitOf<Text>* const block = std::exchange(other.buffer, nullptr);
        s.Adopt(block, std::exchange(other.length, 0UL));
        return s;
    }

    template <class Text> static const UnitOf<Text>* ConstData(const Text& s) {
        static const UnitOf<Text> empty = UnitOf<Text>();
        return s.length > 0 ? s.buffer : &empty;
    }

    template <class Text> static bool Equals(const Text& a, const Text& b) {
        return a.length == b.length && StringComparison::Equal(a.buffer, b.buffer, a.length);
    }

    template <class Text> static bool EqualsIgnoreCase(const Text& a, const Text& b) {
        return a.length == b.length && EqualIgnoringCase(a.buffer, b.buffer, a.length);
    }

    template <class Text> static bool Less(const Text& a, const Text& b) {
        return StringComparison::Less(a.buffer, a.length, b.buffer, b.length);
    }

    /// On a failed allocation nothing changes.
    template <class Text> static void Append(Text& s, const Text& other) {
        if (other.IsEmpty())
            return;
        // Freed only after both copies, so appending a string to itself works.
        UnitOf<Text>* block =
            NewJoinedBlock(ConstData(s), s.length, ConstData(other), other.length);
        if (block != nullptr)
            s.Adopt(block, s.length + other.length);
    }

    template <class Text> static Text Joined(const Text& s, const Text& other) {
        Text result(s);
        result.Append(other);
        return result;
    }

    template <class Text>
    static Text Substr(const Text& s, unsigned long pos, unsigned long count) {
        if (pos >= s.length)
            return Text();
        return Text(s.buffer + pos, std::min(count, s.length - pos));
    }

    template <class Text>
    static unsigned long IndexOf(const Text& s, const Text& text, unsigned long start) {
        return StringComparison::Find(s.buffer, s.length, ConstData(text), text.length, start);
    }

    template <class Text>
    static unsigned long IndexOfIgnoreCase(const Text& s, const Text& text, unsigned long start) {
        return StringComparison::FindFolded(s.buffer, s.length, ConstData(text), text.length, start,
                                            LowerUnit<UnitOf<Text>>);
    }

    template <class Text> static unsigned long IndexLastOf(const Text& s, const Text& text) {
        return StringComparison::FindLast(ConstData(s), s.length, ConstData(text), text.length,
                                          StringComparison::Equal<UnitOf<Text>>);
    }

    template <class Text>
    static unsigned long IndexLastOfIgnoreCase(const Text& s, const Text& text) {
        return StringComparison::FindLast(ConstData(s), s.length, ConstData(text), text.length,
                                          EqualIgnoringCase<UnitOf<Text>>);
    }

    template <class Text> static bool StartsWith(const Text& s, const Text& text) {
        if (s.IsEmpty())
            return text.IsEmpty();
        return text.length <= s.length &&
               StringComparison::Equal(s.buffer, text.buffer, text.length);
    }

    /// False for an empty `text`: the start searched from is the length,
    /// which is not inside the string.
    template <class Text> static bool EndsWith(const Text& s, const Text& text) {
        return IndexOf(s, text, s.length - text.length) != npos;
    }

    template <class Text> static Text Replace(const Text& s, const Text& from, const Text& to) {
        return ReplaceFound(s, from, to, IndexOf<Text>);
    }

    template <class Text>
    static Text ReplaceIgnoreCase(const Text& s, const Text& from, const Text& to) {
        return ReplaceFound(s, from, to, IndexOfIgnoreCase<Text>);
    }

    template <class Text>
    static Text ReplaceChars(const Text& s, const Text& chars, UnitOf<Text> ch) {
        Text result(s);
        if (ch == UnitOf<Text>() || chars.IsEmpty())
            return result;
        for (unsigned long i = 0; i < result.length; ++i) {
            if (std::char_traits<UnitOf<Text>>::find(chars.buffer, chars.length,
                                                     result.buffer[i]) != nullptr)
                result.buffer[i] = ch;
        }
        return result;
    }

    template <class Text> static Text ToLower(const Text& s) {
        return Mapped(s, LowerUnit<UnitOf<Text>>);
    }

    template <class Text> static Text ToUpper(const Text& s) {
        return Mapped(s, UpperUnit<UnitOf<Text>>);
    }

    // The integer readers are strtol and strtoul (or their wide forms) in
    // base 10: defined for every input, clamping on overflow, and reading
    // what "%ld" and "%u" of the scanf family read.

    /// Keeps the low 32 bits, as the stored number is 32-bit.
    template <class Text> static int GetLong(const Text& s, int def) {
        return ReadNumber(s, def, [](const auto* text, auto** end) {
            return static_cast<int>(static_cast<std::uint32_t>(ReadLong(text, end)));
        });
    }

    template <class Text> static unsigned int GetULong(const Text& s, unsigned int def) {
        return ReadNumber(s, def, [](const auto* text, auto** end) {
            return static_cast<unsigned int>(ReadULong(text, end));
        });
    }

    /// Read as the scanf family reads "%lf", on purpose: unlike strtod it
    /// reads nothing from a bare "0x" or a cut "infinity", giving `def`.
    template <class Text> static double GetDouble(const Text& s, double def) {
        return s.IsEmpty() ? def : ScanDouble(s.buffer, def);
    }

    /// printf-style output cut at 510 units; an empty format leaves `s` unset.
    template <class Text>
    static Text& FromFormat(Text& s, const Text& format, std::va_list arguments) {
        s.Clear();
        if (format.IsEmpty())
            return s;
        UnitOf<Text> text[512] = {};
        Print(text, 511, ConstData(format), arguments);
        Init(s, text, std::char_traits<UnitOf<Text>>::length(text));
        return s;
    }

private:
    template <class Char> static constexpr unsigned long kLargest = ~0UL / sizeof(Char) - 1;

    // The C library takes a byte as unsigned char: a negative value other
    // than EOF is undefined there.
    static char Lower(char unit) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(unit)));
    }
    static char Upper(char unit) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(unit)));
    }
    static wchar_t Lower(wchar_t unit) {
        return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(unit)));
    }
    static wchar_t Upper(wchar_t unit) {
        return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(unit)));
    }
    template <class Char> static Char LowerUnit(Char unit) { return Lower(unit); }
    template <class Char> static Char UpperUnit(Char unit) { return Upper(unit); }

    template <class Char>
    static bool EqualIgnoringCase(const Char* a, const Char* b, unsigned long n) {
        return StringComparison::EqualFolded(a, b, n, LowerUnit<Char>);
    }

    static long ReadLong(const char* text, char** end) { return std::strtol(text, end, 10); }
    static long ReadLong(const wchar_t* text, wchar_t** end) { return std::wcstol(text, end, 10); }
    static unsigned long ReadULong(const char* text, char** end) {
        return std::strtoul(text, end, 10);
    }
    static unsigned long ReadULong(const wchar_t* text, wchar_t** end) {
        return std::wcstoul(text, end, 10);
    }
    static double ScanDouble(const char* text, double def) {
        double value = def;
        std::sscanf(text, "%lf", &value);
        return value;
    }
    static double ScanDouble(const wchar_t* text, double def) {
        double value = def;
        std::swscanf(text, L"%lf", &value);
        return value;
    }

    static void Print(char* out, std::size_t size, const char* format, std::va_list arguments) {
        std::vsnprintf(out, size, format, arguments);
    }
    static void Print(wchar_t* out, std::size_t size, const wchar_t* format,
                      std::va_list arguments) {
        std::vswprintf(out, size, format, arguments);
    }

    /// The number `read` finds at the start (after white space), or `def`
    /// when the string is empty or nothing is read there.
    template <class Text, class Number, class Read>
    static Number ReadNumber(const Text& s, Number def, Read read) {
        if (s.IsEmpty())
            return def;
        UnitOf<Text>* end = nullptr;
        const Number value = read(s.buffer, &end);
        return end == s.buffer ? def : value;
    }

    template <class Text, class Map> static Text Mapped(const Text& s, Map map) {
        Text result(s);
        for (unsigned long i = 0; i < result.length; ++i)
            result.buffer[i] = map(result.buffer[i]);
        return result;
    }

    template <class Text, class Search>
    static Text ReplaceFound(const Text& s, const Text& from, const Text& to, Search search) {
        if (from.IsEmpty())
            return s;
        unsigned long size = s.length;
        UnitOf<Text>* block =
            ReplaceAll(s.buffer, size, from.length, ConstData(to), to.length,
                       [&](unsigned long start) { return search(s, from, start); });
        Text result;
        result.Adopt(block, size);
        return result;
    }

    template <class Char> static Char* Copy(Char* out, const Char* from, unsigned long n) {
        if (n > 0)
            std::char_traits<Char>::copy(out, from, n);
        return out + n;
    }
};

#endif
