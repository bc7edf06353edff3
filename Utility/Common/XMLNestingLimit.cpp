#include "XMLNestingLimit.h"

#include "XMLParser.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

class NestingScanner {
public:
    NestingScanner(const char* text, unsigned long size, unsigned long maxDepth)
        : text(text), size(size), maxDepth(maxDepth) {}

    unsigned long SafeLength() {
        unsigned long at = 0;
        while (at < size) {
            const void* open = std::memchr(text + at, '<', size - at);
            if (open == nullptr)
                break;
            at = static_cast<unsigned long>(static_cast<const char*>(open) - text);
            if (StartsWith(at, "<!--"))
                at = After(at + 4, "-->");
            else if (StartsWith(at, "<![CDATA["))
                at = After(at + 9, "]]>");
            else if (StartsWith(at, "</"))
                at = EndTag(at);
            else if (at + 1 < size && IsNameStart(text[at + 1]))
                at = StartTag(at);
            else
                at = Unknown(at);
            if (tooDeep)
                return cut;
        }
        return size;
    }

private:
    // As the library reads a name start: a letter, an underscore, or any byte
    // that may begin a multi-byte character.
    static bool IsNameStart(char c) {
        const unsigned char byte = static_cast<unsigned char>(c);
        return byte >= 127 || byte == '_' || std::isalpha(byte) != 0;
    }

    bool StartsWith(unsigned long at, const char* prefix) const {
        const unsigned long n = std::strlen(prefix);
        return size - at >= n && std::memcmp(text + at, prefix, n) == 0;
    }

    // The offset just after the next `token` from `from`, or the end.
    unsigned long After(unsigned long from, const char* token) const {
        const char* found =
            std::search(text + from, text + size, token, token + std::strlen(token));
        return found == text + size ? size
                                    : static_cast<unsigned long>(found - text) + std::strlen(token);
    }

    // The offset just after the `>` that ends a tag, skipping quoted values.
    unsigned long AfterQuotedTag(unsigned long from) const {
        for (unsigned long at = from; at < size; ++at) {
            if (text[at] == '"' || text[at] == '\'') {
                const char* close = std::find(text + at + 1, text + size, text[at]);
                at = static_cast<unsigned long>(close - text);
            } else if (text[at] == '>') {
                return at + 1;
            }
        }
        return size;
    }

    void Open(unsigned long at) {
        if (++depth > maxDepth && !tooDeep) {
            tooDeep = true;
            cut = at;
        }
    }

    unsigned long EndTag(unsigned long at) {
        // At the top level the library takes a stray end tag as an unknown
        // node; either way it skips to the next `>`.
        if (depth > 0)
            --depth;
        return After(at + 2, ">");
    }

    unsigned long StartTag(unsigned long at) {
        Open(at);
        const unsigned long end = AfterQuotedTag(at + 1);
        const bool selfClosing = end - at >= 4 && text[end - 1] == '>' && text[end - 2] == '/';
        if (selfClosing)
            --depth;
        return end;
    }

    // `<!...>`, `<?...>` or `<` before anything else: the library may end it
    // at the first `>` or read quoted values in it. Every element start up to
    // the later of both ends counts, and no end tag in between does.
    unsigned long Unknown(unsigned long at) {
        const unsigned long end = std::max(After(at + 1, ">"), AfterQuotedTag(at + 1));
        for (unsigned long inner = at + 1; inner + 1 < end && !tooDeep; ++inner) {
            if (text[inner] == '<' && IsNameStart(text[inner + 1]))
                Open(inner);
        }
        return end;
    }

    const char* text;
    unsigned long size;
    unsigned long maxDepth;
    unsigned long depth = 0;
    bool tooDeep = false;
    unsigned long cut = 0;
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

unsigned long XMLNestingLimit::SafeLength(const char* text, unsigned long size,
                                          unsigned long maxDepth) {
    return NestingScanner(text, size, maxDepth).SafeLength();
}

namespace {

// The library takes a multi-byte character's first byte for the whole
// character and steps over what follows, the terminating NUL included, and so
// could read past the end of its text: every text it is given ends with NULs
// to spare.
const unsigned long kSpareNuls = 4;

} // namespace

unsigned long XMLNestingLimit::ReadableLength(const char* text, unsigned long size) {
    // The library reads its text up to the first NUL.
    const unsigned long beforeNul = strnlen(text, size);
    return SafeLength(text, beforeNul);
}

std::string XMLNestingLimit::PreparedText(const char* text, unsigned long size) {
    std::string prepared(text, ReadableLength(text, size));
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

bool XMLNestingLimit::LoadFile(TiXmlDocument& document, FILE* file) {
    std::string content;
    const FileRead read = ReadAsTheLibraryDoes(file, kSpareNuls, content);
    std::string nothing(kSpareNuls, '\0');
    if (read != FileRead::Read) {
        // Nothing of the file reaches the library; it reports an empty file
        // in its own words, and an unreadable one as it would have.
        LoadThroughTheLibrary(document, nothing);
        if (read == FileRead::Failed) {
            document.ClearError();
            document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr,
                              TIXML_ENCODING_UNKNOWN);
        }
        return true;
    }
    const unsigned long readable = ReadableLength(content.data(), content.size());
    // Only a file cut short (at a NUL or the limit) is scanned a second time.
    const bool whole =
        readable == content.size() || SafeLength(content.data(), content.size()) == content.size();
    if (readable == 0) {
        LoadThroughTheLibrary(document, nothing);
        return whole;
    }
    // The text is handed over in place rather than read a second time, with
    // what the library's own loading would do to it.
    content.resize(readable);
    NormalizeLineEnds(content);
    content.append(kSpareNuls, '\0');
    document.Clear();
    document.Parse(content.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    return whole;
}
