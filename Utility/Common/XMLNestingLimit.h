// XMLNestingLimit: keeps the XML library within what it can parse safely.
//
// The library parses nested elements recursively, so a document of a few
// hundred kilobytes that only opens elements would exhaust the stack. Reading
// only the part of a document that stays within the limit turns such a file
// into a malformed one: what came before the limit is read, the rest is not.
// The text it is given also ends with NULs to spare, as the library may step
// past a terminating NUL (see PreparedText).
//
//   XMLNestingLimit::SafeLength("<a><b/></a>", 11, 1);  // 3: <b/> is level 2
//   XMLNestingLimit::SafeLength("<a><b/></a>", 11, 2);  // 11: the whole text
#ifndef QE_XMLNESTINGLIMIT_H
#define QE_XMLNESTINGLIMIT_H

#include <cstdio>
#include <string>

class TiXmlDocument;

class XMLNestingLimit {
public:
    /// Deep enough for any real definition, and about 2 MiB of the library's
    /// stack at its deepest.
    static constexpr unsigned long kMaxDepth = 10000;

    /// The length of the longest prefix of `text` in which no element lies
    /// deeper than `maxDepth`: `size` for any ordinary document, else the
    /// offset of the first element that would pass the limit. Depth is counted
    /// so that it is never less than the library's own: where a construct
    /// could be read two ways (an unknown `<!...>` or `<?...>` with quotes),
    /// the elements of both readings count and none of their ends do.
    static unsigned long SafeLength(const char* text, unsigned long size,
                                    unsigned long maxDepth = kMaxDepth);

    /// How much of `text` the library may be given: up to its first NUL,
    /// where the library stops reading, and within the nesting limit.
    static unsigned long ReadableLength(const char* text, unsigned long size);
    /// The readable part of `text` followed by NULs to spare, so that the
    /// library cannot read past the end: it takes a multi-byte character's
    /// first byte for the whole character, even when a NUL follows.
    static std::string PreparedText(const char* text, unsigned long size);
    /// Loads `document` from an open file, from its start, as the library's
    /// own LoadFile would (encoding detected, line ends made LF), but only the
    /// readable part, made safe as PreparedText does. False when the nesting
    /// limit cut the file.
    static bool LoadFile(TiXmlDocument& document, FILE* file);
};

#endif
