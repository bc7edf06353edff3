#include "XMLNestingLimit.h"

#include "XMLParser.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Cut = XMLNestingLimit::Cut;

// Where a scan stopped: the length of text the library may be given, and the
// limit that made it shorter than the text.
struct Reading {
    unsigned long length;
    Cut cut;
};

// Follows the library's own reading of a text step by step, without building
// anything, to find where it would first open an element deeper than the
// depth limit or add an attribute past the attribute limit. The library gives
// up at its first error and reads nothing after it, so neither does this.
//
// The reading changes with the encoding: from a byte order mark, or from the
// first declaration at the top that names UTF-8 (or none), the first byte of a
// multi-byte character stands for the whole character, even when what it
// covers is a quote, a `<` or the terminating NUL. Only the library's default
// white-space handling is followed; nothing here changes it.
class ReadingScanner {
public:
    // With `nulEnds`, a NUL ends the text, as it does for the library; else
    // only `size` ends it.
    ReadingScanner(const char* text, unsigned long size, bool nulEnds, unsigned long maxDepth,
                   unsigned long maxAttributes)
        : text(text), size(size), nulEnds(nulEnds), maxDepth(maxDepth),
          maxAttributes(maxAttributes) {
        for (int byte = 0; byte < 256; ++byte)
            kinds[byte] = KindOf(static_cast<unsigned char>(byte));
    }

    Reading Scan() {
        if (StartsWith(0, "\xEF\xBB\xBF"))
            SetEncoding(Encoding::UTF8);
        for (unsigned long at = SkipSpace(0); !AtEnd(at); at = SkipSpace(at)) {
            // At the top anything but a node ends the document.
            if (open.empty() && Byte(at) != '<')
                break;
            at = Node(at);
            if (found.cut != Cut::None)
                return found;
            if (at == kGaveUp)
                break;
        }
        return {size, Cut::None};
    }

private:
    static constexpr unsigned long kGaveUp = ~0UL;

    enum class Encoding { Unknown, UTF8, Legacy };
    enum class Kind { Declaration, Comment, CData, Unknown, Element };

    struct Span {
        unsigned long start = 0;
        unsigned long length = 0;
    };

    struct AttributeText {
        Span name;
        Span value;
        bool quoted = false;
    };

    bool InUTF8() const { return encoding == Encoding::UTF8; }

    unsigned char Byte(unsigned long at) const {
        return at < size ? static_cast<unsigned char>(text[at]) : 0;
    }

    bool AtEnd(unsigned long at) const { return at >= size || (nulEnds && text[at] == '\0'); }

    // What the library's tests say of each byte, looked up for every byte of
    // a large text rather than asked again.
    enum : unsigned char { kSpace = 1, kNameStart = 2, kNameByte = 4, kPlain = 8 };

    // Where a NUL does not end the text it is read as white space. A plain
    // byte is one that a character of text or of a value simply steps over.
    unsigned char KindOf(unsigned char byte) const {
        const bool nul = byte == '\0';
        const bool space = std::isspace(byte) != 0 || (nul && !nulEnds);
        const bool nameStart = byte >= 127 || byte == '_' || std::isalpha(byte) != 0;
        const bool nameByte =
            nameStart || std::isdigit(byte) != 0 || byte == '-' || byte == '.' || byte == ':';
        const bool plain =
            byte != '&' && !(nul && nulEnds) && !(InUTF8() && CharacterLength(byte) > 1);
        return static_cast<unsigned char>((space ? kSpace : 0) | (nameStart ? kNameStart : 0) |
                                          (nameByte ? kNameByte : 0) | (plain ? kPlain : 0));
    }

    void SetEncoding(Encoding readAs) {
        encoding = readAs;
        for (int byte = 0; byte < 256; ++byte)
            kinds[byte] = KindOf(static_cast<unsigned char>(byte));
    }

    bool Is(unsigned char kind, unsigned char byte) const { return (kinds[byte] & kind) != 0; }
    bool IsSpace(unsigned char byte) const { return Is(kSpace, byte); }
    bool IsNameStart(unsigned char byte) const { return Is(kNameStart, byte); }

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

    bool StartsWith(unsigned long at, const char* prefix) const {
        for (; *prefix != '\0'; ++at, ++prefix) {
            if (AtEnd(at) || Byte(at) != static_cast<unsigned char>(*prefix))
                return false;
        }
        return true;
    }

    // `prefix` is lower case; only ASCII letters match another case.
    bool StartsWithIgnoringCase(unsigned long at, const char* prefix) const {
        for (; *prefix != '\0'; ++at, ++prefix) {
            const unsigned char byte = Byte(at);
            if (AtEnd(at) || byte >= 128 || std::tolower(byte) != *prefix)
                return false;
        }
        return true;
    }

    // The offset of the next `token` from `from` before the text ends, or
    // kGaveUp. Only what the search passes over is checked for a NUL, so
    // that searching again and again further on stays linear.
    unsigned long Find(unsigned long from, const char* token) const {
        const char* found =
            std::search(text + from, text + size, token, token + std::strlen(token));
        if (found == text + size ||
            (nulEnds && std::memchr(text + from, '\0', found - (text + from)) != nullptr))
            return kGaveUp;
        return static_cast<unsigned long>(found - text);
    }

    // The three byte sequences the library skips as white space in UTF-8.
    bool IsByteOrderMark(unsigned long at) const {
        return Byte(at) == 0xEF && ((Byte(at + 1) == 0xBB && Byte(at + 2) == 0xBF) ||
                                    (Byte(at + 1) == 0xBF && Byte(at + 2) >= 0xBE));
    }

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

    Kind Identify(unsigned long at) const {
        if (StartsWithIgnoringCase(at, "<?xml"))
            return Kind::Declaration;
        if (StartsWith(at, "<!--"))
            return Kind::Comment;
        if (StartsWith(at, "<![CDATA["))
            return Kind::CData;
        if (!StartsWith(at, "<!") && IsNameStart(Byte(at + 1)))
            return Kind::Element;
        return Kind::Unknown;
    }

    // One node, or inside an element its text or its end tag. The offset
    // after it, or kGaveUp.
    unsigned long Node(unsigned long at) {
        if (Byte(at) == '<' && !open.empty() && StartsWith(at, "</"))
            return EndTag(at);
        if (!Count())
            return kGaveUp;
        if (Byte(at) != '<')
            return Text(at);
        switch (Identify(at)) {
        case Kind::Declaration:
            return Declaration(at);
        case Kind::Comment:
            return After(Find(at + 4, "-->"), 3);
        case Kind::CData:
            return ReadOnAfter(After(Find(at + 9, "]]>"), 3));
        case Kind::Unknown:
            return After(Find(at + 1, ">"), 1);
        case Kind::Element:
            return Element(at);
        }
        return kGaveUp;
    }

    // One more node for the library to hold and to walk up from; false, with
    // the text refused, past either node limit.
    bool Count() {
        nodes += 1;
        totalDepth += open.size() + 1;
        if (nodes > XMLNestingLimit::kMaxNodes)
            found = {0, Cut::Nodes};
        else if (totalDepth > XMLNestingLimit::kMaxTotalDepth)
            found = {0, Cut::TotalDepth};
        return found.cut == Cut::None;
    }

    static unsigned long After(unsigned long found, unsigned long length) {
        return found == kGaveUp ? kGaveUp : found + length;
    }

    // The library gives up when the text ends right after what it just read.
    unsigned long ReadOnAfter(unsigned long at) const {
        return at == kGaveUp || AtEnd(at) ? kGaveUp : at;
    }

    // A character of text or of a quoted value: an entity, a multi-byte
    // character in UTF-8, or one byte.
    unsigned long Character(unsigned long at) const {
        if (InUTF8() && CharacterLength(Byte(at)) > 1)
            return at + CharacterLength(Byte(at));
        return Byte(at) == '&' ? Entity(at) : at + 1;
    }

    struct NamedEntity {
        const char* text;
        char byte;
    };

    // The named entity that starts at `at`, if any.
    const NamedEntity* Named(unsigned long at) const {
        static const NamedEntity kNamed[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        for (const NamedEntity& entity : kNamed) {
            if (StartsWith(at, entity.text))
                return &entity;
        }
        return nullptr;
    }

    // `&#x...;` and `&#...;` up to the next `;`, which must follow digits
    // back to the `x` or `#`, else the library gives up; one of the five
    // named entities; or the `&` alone.
    unsigned long Entity(unsigned long at) const {
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

    // Text or a quoted value up to `stop`: the offset of `stop`, or kGaveUp.
    // White space is condensed in text, which moves no further than a byte.
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

    // Text inside an element, up to the next `<`.
    unsigned long Text(unsigned long at) const {
        at = TextUpTo(at, '<');
        return at == kGaveUp || AtEnd(at + 1) ? kGaveUp : at;
    }

    unsigned long EndTag(unsigned long at) {
        const Span name = open.back();
        for (unsigned long i = 0; i < name.length; ++i) {
            if (AtEnd(at + 2 + i) || text[at + 2 + i] != text[name.start + i])
                return kGaveUp;
        }
        at = SkipSpace(at + 2 + name.length);
        if (AtEnd(at) || Byte(at) != '>')
            return kGaveUp;
        open.pop_back();
        return at + 1;
    }

    // `name = value`, the value quoted or up to white space, `/` or `>`.
    // The offset after it, or kGaveUp; `read` gets where its parts are.
    unsigned long Attribute(unsigned long at, AttributeText& read) const {
        Span& name = read.name;
        Span& value = read.value;
        at = SkipSpace(at);
        if (AtEnd(at) || !IsNameStart(Byte(at)))
            return kGaveUp;
        name.start = at;
        at = SkipName(at);
        name.length = at - name.start;
        at = SkipSpace(at);
        if (AtEnd(at) || Byte(at) != '=')
            return kGaveUp;
        at = SkipSpace(at + 1);
        if (AtEnd(at))
            return kGaveUp;
        const unsigned char quote = Byte(at);
        read.quoted = quote == '"' || quote == '\'';
        if (read.quoted) {
            value.start = at + 1;
            at = TextUpTo(value.start, quote);
            if (at == kGaveUp)
                return kGaveUp;
            value.length = at - value.start;
            return ReadOnAfter(at + 1);
        }
        value.start = at;
        for (; !AtEnd(at) && !IsSpace(Byte(at)) && Byte(at) != '/' && Byte(at) != '>'; ++at) {
            if (Byte(at) == '"' || Byte(at) == '\'')
                return kGaveUp;
        }
        value.length = at - value.start;
        return at;
    }

    // A declaration reads its version, encoding and standalone values and
    // steps over anything else up to a `>` outside them. The first one at
    // the top decides the encoding of the rest, when none was known.
    unsigned long Declaration(unsigned long at) {
        const bool decides = open.empty() && encoding == Encoding::Unknown;
        std::string encodingName;
        for (at += 5; !AtEnd(at);) {
            if (Byte(at) == '>') {
                if (decides)
                    SetEncoding(EncodingNamed(encodingName));
                return at + 1;
            }
            at = SkipSpace(at);
            AttributeText read;
            if (StartsWithIgnoringCase(at, "encoding")) {
                at = Attribute(at, read);
                if (at != kGaveUp)
                    encodingName = ValueStart(read);
            } else if (StartsWithIgnoringCase(at, "version") ||
                       StartsWithIgnoringCase(at, "standalone")) {
                at = Attribute(at, read);
            } else {
                while (!AtEnd(at) && Byte(at) != '>' && !IsSpace(Byte(at)))
                    ++at;
            }
            if (at == kGaveUp)
                return kGaveUp;
        }
        return kGaveUp;
    }

    // UTF-8 for an empty name (or none) and for one that begins "UTF-8" or
    // "UTF8" in any case; any other name keeps bytes as they are.
    static Encoding EncodingNamed(std::string name) {
        name.resize(std::strlen(name.c_str()));
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool isUTF8 =
            name.empty() || name.compare(0, 5, "utf-8") == 0 || name.compare(0, 4, "utf8") == 0;
        return isUTF8 ? Encoding::UTF8 : Encoding::Legacy;
    }

    // The first five bytes of a value as the library reads them before it
    // knows the encoding: an entity as a single byte.
    std::string ValueStart(const AttributeText& read) const {
        std::string start;
        const unsigned long end = read.value.start + read.value.length;
        for (unsigned long at = read.value.start; at < end && start.size() < 5;) {
            const unsigned long next = read.quoted ? Character(at) : at + 1;
            if (read.quoted && Byte(at) == '&')
                AppendEntity(at, next, start);
            else
                start += static_cast<char>(Byte(at));
            at = next;
        }
        return start;
    }

    // The byte the entity from `at` to `next` stands for; nothing for an `&`
    // that starts no entity.
    void AppendEntity(unsigned long at, unsigned long next, std::string& name) const {
        if (next == at + 1)
            return;
        if (const NamedEntity* named = Named(at)) {
            name += named->byte;
            return;
        }
        // Digits from the last, with the library's unsigned arithmetic: only
        // the low byte is kept.
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

    // A name with a hash of its bytes, which tells most names apart quickly.
    struct NameKey {
        std::uint64_t hash;
        Span name;
    };

    NameKey KeyOf(const Span& name) const {
        std::uint64_t hash = 14695981039346656037ULL;
        for (unsigned long i = 0; i < name.length; ++i)
            hash = (hash ^ Byte(name.start + i)) * 1099511628211ULL;
        return {hash, name};
    }

    bool Repeats(const NameKey& key) const {
        return std::any_of(names.begin(), names.end(), [this, &key](const NameKey& earlier) {
            return earlier.hash == key.hash && earlier.name.length == key.name.length &&
                   std::memcmp(text + earlier.name.start, text + key.name.start, key.name.length) ==
                       0;
        });
    }

    // A start tag with its attributes: an empty element ends with it, any
    // other stays open until its end tag. Only attributes that the library
    // adds count: a repeated name makes it give up.
    unsigned long Element(unsigned long at) {
        if (open.size() >= maxDepth) {
            found = {at, Cut::Depth};
            return kGaveUp;
        }
        at = SkipSpace(at + 1);
        if (!IsNameStart(Byte(at)))
            return kGaveUp;
        const Span elementName{at, SkipName(at) - at};
        at += elementName.length;
        if (AtEnd(at))
            return kGaveUp;
        names.clear();
        // Whether the last value read ends with a quote right here.
        unsigned long afterQuote = kGaveUp;
        for (;;) {
            at = SkipSpace(at);
            if (AtEnd(at))
                return kGaveUp;
            if (Byte(at) == '/')
                return Byte(at + 1) == '>' ? at + 2 : kGaveUp;
            if (Byte(at) == '>') {
                open.push_back(elementName);
                return at + 1;
            }
            const unsigned long start = at;
            AttributeText read;
            at = Attribute(at, read);
            if (at == kGaveUp || AtEnd(at))
                return kGaveUp;
            const NameKey key = KeyOf(read.name);
            if (Repeats(key))
                return kGaveUp;
            if (names.size() == maxAttributes) {
                // The library takes a quoted value as read only when a byte
                // follows its quote: the next name's first byte then stays.
                found = {start == afterQuote ? start + 1 : start, Cut::Attributes};
                return kGaveUp;
            }
            names.push_back(key);
            afterQuote = read.quoted ? at : kGaveUp;
        }
    }

    const char* text;
    unsigned long size;
    bool nulEnds;
    unsigned long maxDepth;
    unsigned long maxAttributes;
    Encoding encoding = Encoding::Unknown;
    unsigned char kinds[256];
    // The names of the open elements, for their end tags.
    std::vector<Span> open;
    // The attribute names of the element being read.
    std::vector<NameKey> names;
    unsigned long nodes = 0;
    unsigned long totalDepth = 0;
    Reading found{0, Cut::None};
};

// What the library's own LoadFile reads: from the start, as many bytes as
// seeking to the end tells, in one read. `content` gets room for `spare`
// more bytes.
enum class FileRead { Read, Empty, Failed };

FileRead ReadAsTheLibraryDoes(FILE* file, std::size_t spare, std::string& content) {
    std::fseek(file, 0, SEEK_END);
    const long length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    if (length <= 0)
        return FileRead::Empty;
    content.reserve(static_cast<std::size_t>(length) + spare);
    content.resize(static_cast<std::size_t>(length));
    return std::fread(&content[0], content.size(), 1, file) == 1 ? FileRead::Read
                                                                 : FileRead::Failed;
}

// CR LF and a lone CR become LF, in place up to the first NUL, as the library
// does to a file it loads itself. As there, a NUL ends the shorter text and
// the bytes after it are left as they were.
void NormalizeLineEnds(std::string& text) {
    const std::size_t end = std::strlen(text.c_str());
    std::size_t write = text.find('\r');
    if (write >= end)
        return;
    for (std::size_t read = write; read < end;) {
        const char c = text[read++];
        if (c != '\r') {
            text[write++] = c;
            continue;
        }
        text[write++] = '\n';
        if (read < end && text[read] == '\n')
            ++read;
    }
    text[write] = '\0';
}

} // namespace

std::string XMLNestingLimit::RefusalReason(Cut cut) {
    if (cut == Cut::Nodes)
        return "more than " + std::to_string(kMaxNodes) + " nodes";
    if (cut == Cut::TotalDepth)
        return "nodes whose depths add up to more than " + std::to_string(kMaxTotalDepth);
    return std::string();
}

unsigned long XMLNestingLimit::SafeLength(const char* text, unsigned long size,
                                          unsigned long maxDepth, unsigned long maxAttributes) {
    return ReadingScanner(text, size, /*nulEnds=*/false, maxDepth, maxAttributes).Scan().length;
}

namespace {

// The library takes a multi-byte character's first byte for the whole
// character and steps over what follows, the terminating NUL included, and so
// could read past the end of its text: every text it is given ends with NULs
// to spare.
const unsigned long kSpareNuls = 4;

Reading ReadAsTheLibraryWill(const char* text, unsigned long size) {
    return ReadingScanner(text, size, /*nulEnds=*/true, XMLNestingLimit::kMaxDepth,
                          XMLNestingLimit::kMaxAttributes)
        .Scan();
}

// The library reads its text up to the first NUL.
Reading ReadableReading(const char* text, unsigned long size) {
    return ReadAsTheLibraryWill(text, strnlen(text, size));
}

} // namespace

unsigned long XMLNestingLimit::ReadableLength(const char* text, unsigned long size) {
    return ReadableReading(text, size).length;
}

std::string XMLNestingLimit::PreparedText(const char* text, unsigned long size, Cut* cut) {
    const Reading reading = ReadableReading(text, size);
    if (cut != nullptr)
        *cut = reading.cut;
    std::string prepared(text, reading.length);
    prepared.append(kSpareNuls, '\0');
    return prepared;
}

namespace {

// Lets the library load `prepared` as a file: it clears the document, its
// place included, as only its own loading does.
void LoadThroughTheLibrary(TiXmlDocument& document, std::string& prepared) {
    if (FILE* file = fmemopen(&prepared[0], prepared.size(), "rb")) {
        document.LoadFile(file, TIXML_ENCODING_UNKNOWN);
        std::fclose(file);
    }
}

} // namespace

bool XMLNestingLimit::LoadFile(TiXmlDocument& document, FILE* file, Cut* cut) {
    std::string content;
    const FileRead read = ReadAsTheLibraryDoes(file, kSpareNuls, content);
    std::string nothing(kSpareNuls, '\0');
    Cut found = Cut::None;
    if (read != FileRead::Read) {
        // Nothing of the file reaches the library; it reports an empty file
        // in its own words, and an unreadable one as it would have.
        LoadThroughTheLibrary(document, nothing);
        if (read == FileRead::Failed) {
            document.ClearError();
            document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr,
                              TIXML_ENCODING_UNKNOWN);
        }
    } else {
        // Nothing past a NUL is read, but a limit passed there is reported.
        const unsigned long beforeNul = strnlen(content.data(), content.size());
        if (beforeNul < content.size()) {
            found = ReadingScanner(content.data(), content.size(), /*nulEnds=*/false, kMaxDepth,
                                   kMaxAttributes)
                        .Scan()
                        .cut;
        }
        // The text is handed over in place rather than read a second time,
        // with what the library's own loading would do to it, and scanned as
        // the library will then read it: the bytes left after the shortened
        // line ends included.
        content.resize(beforeNul);
        NormalizeLineEnds(content);
        content.append(kSpareNuls, '\0');
        const Reading reading = ReadAsTheLibraryWill(content.data(), content.size());
        if (reading.cut != Cut::None) {
            found = reading.cut;
            content.resize(reading.length);
            content.append(kSpareNuls, '\0');
        }
        // Refused past a NUL too: the part before it is not read either.
        if (!RefusalReason(found).empty())
            content.assign(kSpareNuls, '\0');
        if (content[0] == '\0') {
            LoadThroughTheLibrary(document, nothing);
        } else {
            document.Clear();
            document.Parse(content.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
        }
    }
    if (cut != nullptr)
        *cut = found;
    return found == Cut::None;
}
