#include "XMLPreScanText.h"

#include <algorithm>
#include <cctype>
#include <cstring>

XMLPreScanText::XMLPreScanText(const char* text, unsigned long size, bool nulEnds)
    : text(text), size(size), nulEnds(nulEnds) {
    SetEncoding(Encoding::Unknown);
}

// Where a NUL does not end the text it is read as white space. A plain byte
// is one that a character of text or of a value simply steps over.
unsigned char XMLPreScanText::KindOf(unsigned char byte) const {
    const bool nul = byte == '\0';
    const bool space = std::isspace(byte) != 0 || (nul && !nulEnds);
    const bool nameStart = byte >= 127 || byte == '_' || std::isalpha(byte) != 0;
    const bool nameByte =
        nameStart || std::isdigit(byte) != 0 || byte == '-' || byte == '.' || byte == ':';
    const bool plain = byte != '&' && !(nul && nulEnds) && !(InUTF8() && CharacterLength(byte) > 1);
    return static_cast<unsigned char>((space ? kSpace : 0) | (nameStart ? kNameStart : 0) |
                                      (nameByte ? kNameByte : 0) | (plain ? kPlain : 0));
}

void XMLPreScanText::SetEncoding(Encoding readAs) {
    encoding = readAs;
    for (int byte = 0; byte < 256; ++byte)
        kinds[byte] = KindOf(static_cast<unsigned char>(byte));
}

void XMLPreScanText::ReadAsNamed(std::string name) {
    name.resize(std::strlen(name.c_str()));
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool isUTF8 =
        name.empty() || name.compare(0, 5, "utf-8") == 0 || name.compare(0, 4, "utf8") == 0;
    SetEncoding(isUTF8 ? Encoding::UTF8 : Encoding::Legacy);
}

bool XMLPreScanText::StartsWithIgnoringCase(unsigned long at, const char* prefix) const {
    for (; *prefix != '\0'; ++at, ++prefix) {
        const unsigned char byte = Byte(at);
        if (AtEnd(at) || byte >= 128 || std::tolower(byte) != *prefix)
            return false;
    }
    return true;
}

unsigned long XMLPreScanText::Find(unsigned long from, const char* token) const {
    const char* found = std::search(text + from, text + size, token, token + std::strlen(token));
    if (found == text + size ||
        (nulEnds && std::memchr(text + from, '\0', found - (text + from)) != nullptr))
        return kGaveUp;
    return static_cast<unsigned long>(found - text);
}

// The named entity that starts at `at`, if any.
const XMLPreScanText::NamedEntity* XMLPreScanText::Named(unsigned long at) const {
    static const NamedEntity kNamed[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const NamedEntity& entity : kNamed) {
        if (StartsWith(at, entity.text))
            return &entity;
    }
    return nullptr;
}

// `&#x...;` and `&#...;` up to the next `;`, which must follow digits back to
// the `x` or `#`, else the library gives up; one of the five named entities;
// or the `&` alone.
unsigned long XMLPreScanText::Entity(unsigned long at) const {
    if (Byte(at + 1) == '#' && !AtEnd(at + 2)) {
        const bool hex = Byte(at + 2) == 'x';
        if (hex && AtEnd(at + 3))
            return kGaveUp;
        const unsigned long semicolon = Find(hex ? at + 3 : at + 2, ";");
        if (semicolon == kGaveUp)
            return kGaveUp;
        const unsigned char marker = hex ? 'x' : '#';
        for (unsigned long digit = semicolon - 1; Byte(digit) != marker; --digit) {
            if ((hex ? std::isxdigit(Byte(digit)) : std::isdigit(Byte(digit))) == 0)
                return kGaveUp;
        }
        return semicolon + 1;
    }
    const NamedEntity* named = Named(at);
    return named != nullptr ? at + std::strlen(named->text) : at + 1;
}

std::string XMLPreScanText::ValueStart(const Span& value, bool quoted) const {
    std::string start;
    const unsigned long end = value.start + value.length;
    for (unsigned long at = value.start; at < end && start.size() < 5;) {
        const unsigned long next = quoted ? Character(at) : at + 1;
        if (quoted && Byte(at) == '&')
            AppendEntity(at, next, start);
        else
            start += static_cast<char>(Byte(at));
        at = next;
    }
    return start;
}

// The byte the entity from `at` to `next` stands for; nothing for an `&` that
// starts no entity.
void XMLPreScanText::AppendEntity(unsigned long at, unsigned long next, std::string& name) const {
    if (next == at + 1)
        return;
    if (const NamedEntity* named = Named(at)) {
        name += named->byte;
        return;
    }
    // Digits from the last, with the library's unsigned arithmetic: only the
    // low byte is kept.
    const bool hex = Byte(at + 2) == 'x';
    unsigned long code = 0;
    unsigned int scale = 1;
    for (unsigned long digit = next - 2; Byte(digit) != (hex ? 'x' : '#'); --digit) {
        const unsigned char c = Byte(digit);
        const unsigned int value = std::isdigit(c) != 0 ? c - '0' : std::tolower(c) - 'a' + 10;
        code += scale * value;
        scale *= hex ? 16 : 10;
    }
    name += static_cast<char>(code);
}
