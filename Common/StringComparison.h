// StringComparison: comparisons and searches on runs of string units (char or
// wchar_t) with an explicit length, the ground both string classes'
// comparisons and searches stand on (through StringAlgorithms).
//
// Every comparison covers the whole length: a zero unit inside the content
// is compared like any other. Positions and lengths are unsigned long, and
// "not found" is npos (all bits set), as the string classes' maxLen. Case is
// ignored through a `fold` the caller gives, mapping one unit.
//
//   StringComparison::Find("a;b;c", 5, ";", 1, 2);  // 3
#ifndef QE_STRINGCOMPARISON_H
#define QE_STRINGCOMPARISON_H

#include <cstddef>
#include <string>

class StringComparison {
public:
    static constexpr unsigned long npos = ~0UL;

    /// True when the first n units of a and b are equal.
    template <class Char> static bool Equal(const Char* a, const Char* b, unsigned long n) {
        return n == 0 || std::char_traits<Char>::compare(a, b, n) == 0;
    }

    /// True when the first n units are equal after `fold` (a case mapping).
    template <class Char, class Fold>
    static bool EqualFolded(const Char* a, const Char* b, unsigned long n, Fold fold) {
        for (unsigned long i = 0; i < n; ++i) {
            if (fold(a[i]) != fold(b[i]))
                return false;
        }
        return true;
    }

    /// The containers' order: the empty text last, longer texts first, equal
    /// lengths unit by unit.
    template <class Char>
    static bool Less(const Char* a, unsigned long aSize, const Char* b, unsigned long bSize) {
        if (bSize == 0)
            return aSize != 0;
        if (aSize != bSize)
            return aSize > bSize;
        return std::char_traits<Char>::compare(a, b, aSize) < 0;
    }

    /// First position at or after `start` where `needle` occurs, or npos.
    /// An empty needle is found at `start` when `start` is inside the text.
    template <class Char>
    static unsigned long Find(const Char* text, unsigned long size, const Char* needle,
                              unsigned long needleSize, unsigned long start) {
        if (!CanStartAt(size, needleSize, start))
            return npos;
        if (needleSize == 0)
            return start;
        // Each candidate is found by its first unit, as the C library's own searches do.
        const Char* const last = text + (size - needleSize);
        for (const Char* cursor = text + start; cursor <= last; ++cursor) {
            cursor = std::char_traits<Char>::find(
                cursor, static_cast<std::size_t>(last - cursor) + 1, needle[0]);
            if (cursor == nullptr)
                return npos;
            if (Equal(cursor + 1, needle + 1, needleSize - 1))
                return static_cast<unsigned long>(cursor - text);
        }
        return npos;
    }

    /// As Find, comparing units after `fold`.
    template <class Char, class Fold>
    static unsigned long FindFolded(const Char* text, unsigned long size, const Char* needle,
                                    unsigned long needleSize, unsigned long start, Fold fold) {
        if (!CanStartAt(size, needleSize, start))
            return npos;
        for (unsigned long p = start; p <= size - needleSize; ++p) {
            if (EqualFolded(text + p, needle, needleSize, fold))
                return p;
        }
        return npos;
    }

    /// Last position where `needle` occurs, or npos; an empty needle gives
    /// the length. `equal(a, b, n)` compares n units.
    template <class Char, class Compare>
    static unsigned long FindLast(const Char* text, unsigned long size, const Char* needle,
                                  unsigned long needleSize, Compare equal) {
        if (needleSize > size)
            return npos;
        for (unsigned long p = size - needleSize + 1; p-- > 0;) {
            if (equal(text + p, needle, needleSize))
                return p;
        }
        return npos;
    }

private:
    static bool CanStartAt(unsigned long size, unsigned long needleSize, unsigned long start) {
        return start < size && needleSize <= size && start <= size - needleSize;
    }
};

#endif
