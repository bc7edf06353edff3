#include "XMLPreScan.h"

#include <algorithm>
#include <cstring>
#include <string>

using Cut = XMLLimits::Cut;

namespace {

unsigned long After(unsigned long found, unsigned long length) {
    return found == XMLPreScanText::kGaveUp ? XMLPreScanText::kGaveUp : found + length;
}

} // namespace

XMLPreScan::XMLPreScan(const char* text, unsigned long size, bool nulEnds, unsigned long maxDepth,
                       unsigned long maxAttributes)
    : in(text, size, nulEnds), maxDepth(maxDepth), maxAttributes(maxAttributes) {}

unsigned long XMLPreScan::SafeLength(const char* text, unsigned long size, unsigned long maxDepth,
                                     unsigned long maxAttributes) {
    return XMLPreScan(text, size, /*nulEnds=*/false, maxDepth, maxAttributes).Scan().length;
}

XMLPreScan::Reading XMLPreScan::Scan() {
    if (in.StartsWith(0, "\xEF\xBB\xBF"))
        in.ReadAsUTF8();
    for (unsigned long at = in.SkipSpace(0); !in.AtEnd(at); at = in.SkipSpace(at)) {
        // At the top anything but a node ends the document.
        if (open.empty() && in.Byte(at) != '<')
            break;
        at = Node(at);
        if (found.cut != Cut::None)
            return found;
        if (at == kGaveUp)
            break;
    }
    return {in.Size(), Cut::None};
}

XMLPreScan::Kind XMLPreScan::Identify(unsigned long at) const {
    if (in.StartsWithIgnoringCase(at, "<?xml"))
        return Kind::Declaration;
    if (in.StartsWith(at, "<!--"))
        return Kind::Comment;
    if (in.StartsWith(at, "<![CDATA["))
        return Kind::CData;
    if (!in.StartsWith(at, "<!") && in.IsNameStart(in.Byte(at + 1)))
        return Kind::Element;
    return Kind::Unknown;
}

// One node, or inside an element its text or its end tag. The offset after
// it, or kGaveUp.
unsigned long XMLPreScan::Node(unsigned long at) {
    if (in.Byte(at) == '<' && !open.empty() && in.StartsWith(at, "</"))
        return EndTag(at);
    if (!Count())
        return kGaveUp;
    if (in.Byte(at) != '<')
        return Text(at);
    switch (Identify(at)) {
    case Kind::Declaration:
        return Declaration(at);
    case Kind::Comment:
        return After(in.Find(at + 4, "-->"), 3);
    case Kind::CData:
        return in.ReadOnAfter(After(in.Find(at + 9, "]]>"), 3));
    case Kind::Unknown:
        return After(in.Find(at + 1, ">"), 1);
    case Kind::Element:
        return Element(at);
    }
    return kGaveUp;
}

// One more node for the library to hold and to walk up from; false, with the
// text refused, past either node limit.
bool XMLPreScan::Count() {
    nodes += 1;
    totalDepth += open.size() + 1;
    if (nodes > XMLLimits::kMaxNodes)
        found = {0, Cut::Nodes};
    else if (totalDepth > XMLLimits::kMaxTotalDepth)
        found = {0, Cut::TotalDepth};
    return found.cut == Cut::None;
}

// Text inside an element, up to the next `<`.
unsigned long XMLPreScan::Text(unsigned long at) const {
    at = in.TextUpTo(at, '<');
    return at == kGaveUp || in.AtEnd(at + 1) ? kGaveUp : at;
}

unsigned long XMLPreScan::EndTag(unsigned long at) {
    const Span name = open.back();
    const char* text = in.Data();
    for (unsigned long i = 0; i < name.length; ++i) {
        if (in.AtEnd(at + 2 + i) || text[at + 2 + i] != text[name.start + i])
            return kGaveUp;
    }
    at = in.SkipSpace(at + 2 + name.length);
    if (in.AtEnd(at) || in.Byte(at) != '>')
        return kGaveUp;
    open.pop_back();
    return at + 1;
}

// `name = value`, the value quoted or up to white space, `/` or `>`. The
// offset after it, or kGaveUp; `read` gets where its parts are.
unsigned long XMLPreScan::Attribute(unsigned long at, AttributeText& read) const {
    Span& name = read.name;
    Span& value = read.value;
    at = in.SkipSpace(at);
    if (in.AtEnd(at) || !in.IsNameStart(in.Byte(at)))
        return kGaveUp;
    name.start = at;
    at = in.SkipName(at);
    name.length = at - name.start;
    at = in.SkipSpace(at);
    if (in.AtEnd(at) || in.Byte(at) != '=')
        return kGaveUp;
    at = in.SkipSpace(at + 1);
    if (in.AtEnd(at))
        return kGaveUp;
    const unsigned char quote = in.Byte(at);
    read.quoted = quote == '"' || quote == '\'';
    if (read.quoted) {
        value.start = at + 1;
        at = in.TextUpTo(value.start, quote);
        if (at == kGaveUp)
            return kGaveUp;
        value.length = at - value.start;
        return in.ReadOnAfter(at + 1);
    }
    value.start = at;
    for (; !in.AtEnd(at) && !in.IsSpace(in.Byte(at)) && in.Byte(at) != '/' && in.Byte(at) != '>';
         ++at) {
        if (in.Byte(at) == '"' || in.Byte(at) == '\'')
            return kGaveUp;
    }
    value.length = at - value.start;
    return at;
}

// A declaration reads its version, encoding and standalone values and steps
// over anything else up to a `>` outside them. The first one at the top
// decides the encoding of the rest, when none was known.
unsigned long XMLPreScan::Declaration(unsigned long at) {
    const bool decides = open.empty() && in.EncodingUnknown();
    std::string encodingName;
    for (at += 5; !in.AtEnd(at);) {
        if (in.Byte(at) == '>') {
            if (decides)
                in.ReadAsNamed(encodingName);
            return at + 1;
        }
        at = in.SkipSpace(at);
        AttributeText read;
        if (in.StartsWithIgnoringCase(at, "encoding")) {
            at = Attribute(at, read);
            if (at != kGaveUp)
                encodingName = in.ValueStart(read.value, read.quoted);
        } else if (in.StartsWithIgnoringCase(at, "version") ||
                   in.StartsWithIgnoringCase(at, "standalone")) {
            at = Attribute(at, read);
        } else {
            while (!in.AtEnd(at) && in.Byte(at) != '>' && !in.IsSpace(in.Byte(at)))
                ++at;
        }
        if (at == kGaveUp)
            return kGaveUp;
    }
    return kGaveUp;
}

XMLPreScan::NameKey XMLPreScan::KeyOf(const Span& name) const {
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned long i = 0; i < name.length; ++i)
        hash = (hash ^ in.Byte(name.start + i)) * 1099511628211ULL;
    return {hash, name};
}

bool XMLPreScan::Repeats(const NameKey& key) const {
    const char* text = in.Data();
    return std::any_of(names.begin(), names.end(), [text, &key](const NameKey& earlier) {
        return earlier.hash == key.hash && earlier.name.length == key.name.length &&
               std::memcmp(text + earlier.name.start, text + key.name.start, key.name.length) == 0;
    });
}

// A start tag with its attributes: an empty element ends with it, any other
// stays open until its end tag. Only attributes that the library adds count:
// a repeated name makes it give up.
unsigned long XMLPreScan::Element(unsigned long at) {
    if (open.size() >= maxDepth) {
        found = {at, Cut::Depth};
        return kGaveUp;
    }
    at = in.SkipSpace(at + 1);
    if (!in.IsNameStart(in.Byte(at)))
        return kGaveUp;
    const Span elementName{at, in.SkipName(at) - at};
    at += elementName.length;
    if (in.AtEnd(at))
        return kGaveUp;
    names.clear();
    // Whether the last value read ends with a quote right here.
    unsigned long afterQuote = kGaveUp;
    for (;;) {
        at = in.SkipSpace(at);
        if (in.AtEnd(at))
            return kGaveUp;
        if (in.Byte(at) == '/')
            return in.Byte(at + 1) == '>' ? at + 2 : kGaveUp;
        if (in.Byte(at) == '>') {
            open.push_back(elementName);
            return at + 1;
        }
        const unsigned long start = at;
        AttributeText read;
        at = Attribute(at, read);
        if (at == kGaveUp || in.AtEnd(at))
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
