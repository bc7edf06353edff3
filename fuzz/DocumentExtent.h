// DocumentExtent: how deep and how wide the XML library read a document; the
// fuzz target and the tests check the reading limits against it.
#ifndef QE_FUZZ_DOCUMENTEXTENT_H
#define QE_FUZZ_DOCUMENTEXTENT_H

#include "XMLParser.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

struct DocumentExtent {
    unsigned long depth = 0;
    unsigned long attributes = 0;

    /// The deepest element and the most attributes of one element in `document`.
    static DocumentExtent Of(const TiXmlDocument& document) {
        DocumentExtent extent;
        std::vector<std::pair<const TiXmlNode*, unsigned long>> pending{{&document, 0}};
        while (!pending.empty()) {
            const auto [node, depth] = pending.back();
            pending.pop_back();
            if (const TiXmlElement* element = node->ToElement()) {
                extent.depth = std::max(extent.depth, depth);
                unsigned long attributes = 0;
                for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next())
                    ++attributes;
                extent.attributes = std::max(extent.attributes, attributes);
            }
            for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
                pending.emplace_back(child, depth + 1);
        }
        return extent;
    }

    /// What the library reads from `text`, given with NULs to spare as XMLLoader gives it.
    static DocumentExtent OfText(const std::string& text) {
        TiXmlDocument document;
        document.Parse((text + std::string(4, '\0')).c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
        return Of(document);
    }
};

#endif
