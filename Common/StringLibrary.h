// StringLibrary: string templates shared by the byte and the wide string.
//
//   StringLibrary::Split(QeString("a;;b"), QeString(";"), false); // "a", "", "b"
//   StringLibrary::Split(QeString("a;;b"), QeString(";"), true);  // "a", "b"
//   StringLibrary::Split(QeString("a;"), QeString(";"), false);   // "a"
//   StringLibrary::Trim(QeString(" \tx \n"));                     // "x"
#ifndef QE_STRINGLIBRARY_H
#define QE_STRINGLIBRARY_H

#include "Vector.h"

#include <utility>

class StringLibrary {
public:
    /// A copy without leading and trailing TAB, LF, CR and SPACE (no other
    /// unit counts as white space). White space only gives an unset string.
    /// T needs Size, IsSet, Substr, operator[] and copy construction.
    template <class T> static T Trim(const T& source) {
        if (!source.IsSet())
            return source;
        unsigned long first = 0;
        unsigned long end = source.Size();
        while (first < end && IsTrimmed(source[first]))
            ++first;
        while (end > first && IsTrimmed(source[end - 1]))
            --end;
        if (first == 0 && end == source.Size())
            return source;
        return source.Substr(first, end - first);
    }

    /// The pieces of `source` between occurrences of `delimiter`, in order.
    /// The piece before each delimiter is kept even when empty unless
    /// `skipEmpty`; the rest after the last delimiter is a piece only when it
    /// is not empty. An empty source gives no piece; an empty delimiter gives
    /// the whole source as one piece.
    template <class T> static Vector<T> Split(T source, T delimiter, bool skipEmpty) {
        Vector<T> pieces;
        if (!delimiter.IsSet()) {
            if (source.IsSet())
                pieces.add(source);
            return pieces;
        }
        unsigned long start = 0;
        for (unsigned long found = source.IndexOf(delimiter, 0); source.HasOf(found);
             found = source.IndexOf(delimiter, start)) {
            T piece = source.Substr(start, found - start);
            if (!skipEmpty || piece.IsSet())
                pieces.add(std::move(piece));
            start = found + delimiter.Size();
        }
        T rest = source.Substr(start);
        if (rest.IsSet())
            pieces.add(std::move(rest));
        return pieces;
    }

private:
    template <class Unit> static bool IsTrimmed(Unit unit) {
        return unit == 9 || unit == 10 || unit == 13 || unit == 32;
    }
};

#endif
