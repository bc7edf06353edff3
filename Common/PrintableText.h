// PrintableText: texts that hold names from files, made safe to print.
#ifndef QE_PRINTABLETEXT_H
#define QE_PRINTABLETEXT_H

#include <string>

class PrintableText {
public:
    /// `text` with each C0, DEL or C1 control character, each byte that is
    /// not part of well-formed UTF-8, and each line or paragraph separator or
    /// bidirectional control shown as \xNN (one per byte), so that no name
    /// can move a terminal's cursor, retitle it, reorder a line or start a new
    /// one in a log: "a\nb" gives "a\x0ab". Everything else is kept as it is.
    static std::string Escaped(const std::string& text);
};

#endif
