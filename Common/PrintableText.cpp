#include "PrintableText.h"

#include <cstdio>

namespace {

// The length of the well-formed UTF-8 character at `at` (shortest form, no
// surrogate, at most U+10FFFF), or 0.
std::size_t Utf8CharacterLength(const std::string& text, std::size_t at, unsigned long& code) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    const unsigned long shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < shortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// C0, DEL and C1 controls, and the characters that reorder or break what a
// terminal shows: line and paragraph separators, and bidirectional controls.
bool IsControlCharacter(unsigned long code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
           code == 0x200F || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

} // namespace

std::string PrintableText::Escaped(const std::string& text) {
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        unsigned long code = 0;
        std::size_t length = Utf8CharacterLength(text, at, code);
        if (length > 0 && !IsControlCharacter(code)) {
            shown.append(text, at, length);
            at += length;
            continue;
        }
        for (const std::size_t end = at + (length > 0 ? length : 1); at < end; ++at) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(text[at]));
            shown += escaped;
        }
    }
    return shown;
}
