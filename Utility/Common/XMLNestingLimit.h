// XMLNestingLimit: keeps the XML library within what it can parse safely.
//
// The library parses nested elements recursively, so a document of a few
// hundred kilobytes that only opens elements would exhaust the stack; and it
// checks each new attribute of an element against all earlier ones, so an
// element with very many attributes takes quadratic time. Reading only the
// part of a document that stays within both limits turns such a file into a
// malformed one: what came before the limit is read, the rest is not.
// The text it is given also ends with NULs to spare, as the library may step
// past a terminating NUL (see PreparedText).
//
// Two more limits refuse a text whole instead, as no part of it is what was
// meant: the library holds a few hundred bytes per node, and reads each node
// after walking up from it through every element around it to the document,
// so a few megabytes of tiny nodes, or of nodes a thousand deep, would take
// hundreds of megabytes or seconds.
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
    /// Deep enough for any real definition, and within a 512 KiB stack with
    /// room to spare: the library takes about 230 bytes of stack a level, to
    /// parse and to free a document, so about 220 KiB at its deepest.
    static constexpr unsigned long kMaxDepth = 1000;
    /// Far more attributes than an element of a real definition has, and few
    /// enough that the library, which checks each new attribute against the
    /// earlier ones, reads any element quickly.
    static constexpr unsigned long kMaxAttributes = 64;

    /// Nodes (elements, texts, comments and the like) in one text: about
    /// 230 MB for the library's smallest, some twice as many as the largest
    /// definitions measured have.
    static constexpr unsigned long kMaxNodes = 1000000;
    /// Each node's depth (1 at the top), added up over a text: about half a
    /// second of the library's walking up, more than ten times a real
    /// definition's.
    static constexpr unsigned long kMaxTotalDepth = 32000000;

    /// Which limit ended the text the library is given: Depth and Attributes
    /// cut it where they are passed; Nodes and TotalDepth refuse all of it.
    enum class Cut { None, Depth, Attributes, Nodes, TotalDepth };

    /// Why a refusing limit refused a text ("more than 1000000 nodes"), or
    /// empty for a cut that keeps what came before it.
    static std::string RefusalReason(Cut cut);

    /// The length of the longest prefix of `text` in which the library opens
    /// no element deeper than `maxDepth` and adds no attribute past the
    /// `maxAttributes`-th of an element: `size` for any ordinary document,
    /// else the offset of the first element or attribute that would pass a
    /// limit (one byte into an attribute written right after a quoted value,
    /// which the library reads only when a byte follows its quote); 0 for a
    /// text the node limits refuse. The text is followed as the library reads
    /// it, its encoding included, up to where the library would give up; a
    /// NUL is read as white space.
    static unsigned long SafeLength(const char* text, unsigned long size,
                                    unsigned long maxDepth = kMaxDepth,
                                    unsigned long maxAttributes = kMaxAttributes);

    /// How much of `text` the library may be given: up to its first NUL,
    /// where the library stops reading, and within both limits; nothing when
    /// it is refused.
    static unsigned long ReadableLength(const char* text, unsigned long size);
    /// The readable part of `text` followed by NULs to spare, so that the
    /// library cannot read past the end: it takes a multi-byte character's
    /// first byte for the whole character, even when a NUL follows. `cut`,
    /// when given, gets the limit that shortened it (none for a NUL).
    static std::string PreparedText(const char* text, unsigned long size, Cut* cut = nullptr);
    /// Loads `document` from an open file, from its start, as the library's
    /// own LoadFile would (encoding detected, line ends made LF), but only the
    /// readable part, made safe as PreparedText does; nothing of a refused
    /// file. False when a limit cut or refused the file (also past a NUL,
    /// which is never read); `cut`, when given, gets the limit that did.
    static bool LoadFile(TiXmlDocument& document, FILE* file, Cut* cut = nullptr);
};

#endif
