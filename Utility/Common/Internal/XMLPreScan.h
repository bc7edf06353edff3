// XMLPreScan: follows the XML library 2.6's own reading of a text step by
// step, without building anything, to find where it would first open an
// element deeper than the depth limit or add an attribute past the attribute
// limit, and whether the text passes a node limit. The library gives up at
// its first error and reads nothing after it, so neither does this. Internal:
// not installed with the library's headers.
//
//   XMLPreScan::SafeLength("<a><b/></a>", 11, 1);  // 3: <b/> is level 2
//   XMLPreScan::SafeLength("<a><b/></a>", 11, 2);  // 11: the whole text
#ifndef QE_XMLPRESCAN_H
#define QE_XMLPRESCAN_H

#include "XMLLimits.h"
#include "XMLPreScanText.h"

#include <cstdint>
#include <vector>

class XMLPreScan {
public:
    /// Where a scan stopped: the length of text the library may be given, and
    /// the limit that made it shorter than the text.
    struct Reading {
        unsigned long length;
        XMLLimits::Cut cut;
    };

    /// With `nulEnds`, a NUL ends the text, as it does for the library; else
    /// only `size` ends it.
    XMLPreScan(const char* text, unsigned long size, bool nulEnds, unsigned long maxDepth,
               unsigned long maxAttributes);

    Reading Scan();

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
                                    unsigned long maxDepth = XMLLimits::kMaxDepth,
                                    unsigned long maxAttributes = XMLLimits::kMaxAttributes);

private:
    using Span = XMLPreScanText::Span;
    static constexpr unsigned long kGaveUp = XMLPreScanText::kGaveUp;

    enum class Kind { Declaration, Comment, CData, Unknown, Element };

    struct AttributeText {
        Span name;
        Span value;
        bool quoted = false;
    };

    // A name with a hash of its bytes, which tells most names apart quickly.
    struct NameKey {
        std::uint64_t hash;
        Span name;
    };

    Kind Identify(unsigned long at) const;
    unsigned long Node(unsigned long at);
    bool Count();
    unsigned long Text(unsigned long at) const;
    unsigned long EndTag(unsigned long at);
    unsigned long Attribute(unsigned long at, AttributeText& read) const;
    unsigned long Declaration(unsigned long at);
    NameKey KeyOf(const Span& name) const;
    bool Repeats(const NameKey& key) const;
    unsigned long Element(unsigned long at);

    XMLPreScanText in;
    unsigned long maxDepth;
    unsigned long maxAttributes;
    // The names of the open elements, for their end tags.
    std::vector<Span> open;
    // The attribute names of the element being read.
    std::vector<NameKey> names;
    unsigned long nodes = 0;
    unsigned long totalDepth = 0;
    Reading found{0, XMLLimits::Cut::None};
};

#endif
