// XMLPreScanText: a text as the XML library 2.6 steps through it, byte for
// byte: its white space, names, entities and, from the encoding the document
// declares, its multi-byte characters. XMLPreScan follows a document's
// structure with it. Internal: not installed with the library's headers.
//
// From a byte order mark, or from the first declaration at the top that names
// UTF-8 (or none), the first byte of a multi-byte character stands for the
// whole character, even when what it covers is a quote, a `<` or the
// terminating NUL. Only the library's default white-space handling is
// followed; nothing here changes it.
//
//   XMLPreScanText text("a &amp; b<", 10, /*nulEnds=*/true);
//   text.TextUpTo(0, '<');  // 9
#ifndef QE_XMLPRESCANTEXT_H
#define QE_XMLPRESCANTEXT_H

#include <string>

class XMLPreScanText {
public:
    /// Where the library gives up: an offset past any text.
    static constexpr unsigned long kGaveUp = ~0UL;

    /// A part of the text.
    struct Span {
        unsigned long start = 0;
        unsigned long length = 0;
    };

    /// With `nulEnds`, a NUL ends the text, as it does for the library; else
    /// only `size` ends it, and a NUL is read as white space.
    XMLPreScanText(const char* text, unsigned long size, bool nulEnds);

    const char* Data() const { return text; }
    unsigned long Size() const { return size; }

    unsigned char Byte(unsigned long at) const {
        return at < size ? static_cast<unsigned char>(text[at]) : 0;
    }

    bool AtEnd(unsigned long at) const { return at >= size || (nulEnds && text[at] == '\0'); }

    bool IsSpace(unsigned char byte) const { return Is(kSpace, byte); }
    bool IsNameStart(unsigned char byte) const { return Is(kNameStart, byte); }

    /// Whether the encoding is still to be decided by a declaration.
    bool EncodingUnknown() const { return encoding == Encoding::Unknown; }
    /// Read from here on as UTF-8, as after a byte order mark.
    void ReadAsUTF8() { SetEncoding(Encoding::UTF8); }
    /// Read from here on in the encoding a declaration names: UTF-8 for an
    /// empty name and for one that begins "UTF-8" or "UTF8" in any case; any
    /// other name keeps bytes as they are.
    void ReadAsNamed(std::string name);

    bool StartsWith(unsigned long at, const char* prefix) const {
        for (; *prefix != '\0'; ++at, ++prefix) {
            if (AtEnd(at) || Byte(at) != static_cast<unsigned char>(*prefix))
                return false;
        }
        return true;
    }

    /// `prefix` is lower case; only ASCII letters match another case.
    bool StartsWithIgnoringCase(unsigned long at, const char* prefix) const;

    /// The offset of the next `token` from `from` before the text ends, or
    /// kGaveUp. Only what the search passes over is checked for a NUL, so
    /// that searching again and again further on stays linear.
    unsigned long Find(unsigned long from, const char* token) const;

    unsigned long SkipSpace(unsigned long at) const {
        while (!AtEnd(at)) {
            if (IsSpace(Byte(at)))
                ++at;
            else if (InUTF8() && IsByteOrderMark(at))
                at += 3;
            else
                break;
        }
        return at;
    }

    unsigned long SkipName(unsigned long at) const {
        while (at < size && Is(kNameByte, Byte(at)))
            ++at;
        return at;
    }

    /// The library gives up when the text ends right after what it just read.
    unsigned long ReadOnAfter(unsigned long at) const {
        return at == kGaveUp || AtEnd(at) ? kGaveUp : at;
    }

    /// A character of text or of a quoted value: an entity, a multi-byte
    /// character in UTF-8, or one byte.
    unsigned long Character(unsigned long at) const {
        if (InUTF8() && CharacterLength(Byte(at)) > 1)
            return at + CharacterLength(Byte(at));
        return Byte(at) == '&' ? Entity(at) : at + 1;
    }

    /// Text or a quoted value up to `stop`: the offset of `stop`, or kGaveUp.
    /// White space is condensed in text, which moves no further than a byte.
    unsigned long TextUpTo(unsigned long at, unsigned char stop) const {
        for (;;) {
            at = SkipPlain(at, stop);
            if (AtEnd(at))
                return kGaveUp;
            if (Byte(at) == stop)
                return at;
            at = Character(at);
            if (at == kGaveUp)
                return kGaveUp;
        }
    }

    /// The first five bytes of a value as the library reads them before it
    /// knows the encoding: an entity as a single byte.
    std::string ValueStart(const Span& value, bool quoted) const;

private:
    enum class Encoding { Unknown, UTF8, Legacy };

    // What the library's tests say of each byte, looked up for every byte of
    // a large text rather than asked again.
    enum : unsigned char { kSpace = 1, kNameStart = 2, kNameByte = 4, kPlain = 8 };

    struct NamedEntity {
        const char* text;
        char byte;
    };

    bool InUTF8() const { return encoding == Encoding::UTF8; }
    bool Is(unsigned char kind, unsigned char byte) const { return (kinds[byte] & kind) != 0; }

    // How many bytes the library steps over from a character's first byte in
    // UTF-8; 1 for bytes that cannot start a longer character.
    static unsigned long CharacterLength(unsigned char byte) {
        if (byte >= 0xF5 || byte < 0xC2)
            return 1;
        return byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    }

    // The first byte from `at` that is not plain or is `stop`.
    unsigned long SkipPlain(unsigned long at, unsigned char stop) const {
        while (at < size) {
            const unsigned char byte = static_cast<unsigned char>(text[at]);
            if (byte == stop || !Is(kPlain, byte))
                break;
            ++at;
        }
        return at;
    }

    // The three byte sequences the library skips as white space in UTF-8.
    bool IsByteOrderMark(unsigned long at) const {
        return Byte(at) == 0xEF && ((Byte(at + 1) == 0xBB && Byte(at + 2) == 0xBF) ||
                                    (Byte(at + 1) == 0xBF && Byte(at + 2) >= 0xBE));
    }

    unsigned char KindOf(unsigned char byte) const;
    void SetEncoding(Encoding readAs);
    const NamedEntity* Named(unsigned long at) const;
    unsigned long Entity(unsigned long at) const;
    void AppendEntity(unsigned long at, unsigned long next, std::string& name) const;

    const char* text;
    unsigned long size;
    bool nulEnds;
    Encoding encoding = Encoding::Unknown;
    unsigned char kinds[256];
};

#endif
