// XMLNestingLimit: keeps documents within the nesting depth the XML library
// can parse.
//
// The library parses nested elements recursively, so a document of a few
// hundred kilobytes that only opens elements would exhaust the stack. Reading
// only the part of a document that stays within the limit turns such a file
// into a malformed one: what came before the limit is read, the rest is not.
//
//   XMLNestingLimit::SafeLength("<a><b/></a>", 11, 1);  // 3: <b/> is level 2
//   XMLNestingLimit::SafeLength("<a><b/></a>", 11, 2);  // 11: the whole text
#ifndef QE_XMLNESTINGLIMIT_H
#define QE_XMLNESTINGLIMIT_H

#include <cstdio>

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

    /// Lets the library load `document` from an open file with its encoding
    /// detected, or only the part of the file within the limit. False when
    /// the file was cut.
    static bool LoadFile(TiXmlDocument& document, FILE* file);
};

#endif
