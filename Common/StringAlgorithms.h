// StringAlgorithms: the searches, comparisons and replacement that the byte
// and the wide string share, on runs of units with an explicit length.
//
// Every comparison covers the whole length: a zero unit inside the content
// is compared like any other. Positions and lengths are unsigned long, and
// "not found" is npos (all bits set), as the string classes' maxLen.
#ifndef QE_STRINGALGORITHMS_H
#define QE_STRINGALGORITHMS_H

#include <new>
#include <string>

class StringAlgorithms {
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
        const unsigned long largest = ~0UL / sizeof(Char) - 1;
        if (aSize + bSize == 0 || aSize > largest || bSize > largest - aSize)
            return nullptr;
        Char* block = new (std::nothrow) Char[aSize + bSize + 1];
        if (block != nullptr)
            *Copy(Copy(block, a, aSize), b, bSize) = Char();
        return block;
    }

private:
    static bool CanStartAt(unsigned long size, unsigned long needleSize, unsigned long start) {
        return start < size && needleSize <= size && start <= size - needleSize;
    }

    template <class Char> static Char* Copy(Char* out, const Char* from, unsigned long n) {
        if (n > 0)
            std::char_traits<Char>::copy(out, from, n);
        return out + n;
    }
};

#endif
