// XMLLimits: what the XML library is given, at most, and the words for what
// passing a limit does to a file.
//
// The library parses nested elements recursively, so a document of a few
// hundred kilobytes that only opens elements would exhaust the stack; and it
// checks each new attribute of an element against all earlier ones, so an
// element with very many attributes takes quadratic time. Only the part of a
// document within both limits is read: what came before the limit is read,
// the rest is not.
//
// Two more limits refuse a text whole instead, as no part of it is what was
// meant: the library holds a few hundred bytes per node, and reads each node
// after walking up from it through every element around it to the document,
// so a few megabytes of tiny nodes, or of nodes a thousand deep, would take
// hundreds of megabytes or seconds.
//
//   XMLLimits::CutReason(XMLLimits::Cut::Depth);  // "elements nested deeper than 1000"
#ifndef QE_XMLLIMITS_H
#define QE_XMLLIMITS_H

#include <string>

class XMLLimits {
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
    /// What passed the limit that made `cut` ("an element with more than 64
    /// attributes"), refusing or not; empty for none.
    static std::string CutReason(Cut cut);
};

#endif
