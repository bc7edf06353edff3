// SKUDefinition::parse on arbitrary text, then the queries over what it read;
// the same text loaded from a file as the XML library itself loads it; and
// the nesting and attribute limits against the library's own reading.
#include "DocumentExtent.h"
#include "FuzzCheck.h"
#include "Internal/XMLPreScan.h"
#include "QeString.h"
#include "SKUDefinition.h"
#include "XMLLoader.h"
#include "XMLParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Outcome(const TiXmlDocument& document) {
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.Str() + "|" + std::to_string(document.ErrorId()) + "@" +
           std::to_string(document.ErrorRow()) + "," + std::to_string(document.ErrorCol());
}

TiXmlDocument LoadedBy(bool library, const std::string& text) {
    TiXmlDocument document;
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    FuzzCheck(file != nullptr, "fmemopen");
    if (library)
        document.LoadFile(file, TIXML_ENCODING_UNKNOWN);
    else
        XMLLoader::LoadFile(document, file);
    std::fclose(file);
    return document;
}

// A byte that the library takes for the first of a multi-byte character.
bool IsLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0xC0;
}

// Where the library can read its own file safely, loading the file ourselves
// must give exactly what it gives. It is safe without a NUL or a nesting cut,
// and without a lead byte in the last three bytes, from which it could step
// past the end of its block.
void CheckLoadFile(const std::string& text) {
    const std::size_t tail = text.size() > 3 ? text.size() - 3 : 0;
    const bool leadByteNearEnd =
        std::any_of(text.begin() + static_cast<std::ptrdiff_t>(tail), text.end(), IsLeadByte);
    const bool libraryStaysInside = !text.empty() && !leadByteNearEnd &&
                                    std::memchr(text.data(), '\0', text.size()) == nullptr &&
                                    XMLPreScan::SafeLength(text.data(), text.size()) == text.size();
    if (libraryStaysInside)
        FuzzCheck(Outcome(LoadedBy(false, text)) == Outcome(LoadedBy(true, text)),
                  "XMLLoader::LoadFile gives the library's own load");
}

// The limits follow the library's own reading: at the extent it reads,
// nothing is cut; one below it, the text is cut so that the library then
// reads exactly to the limit. Only texts within the usual limits are parsed
// whole, as deeper ones could exhaust the stack.
void CheckLimits(const std::string& text) {
    const unsigned long size = text.size();
    if (std::memchr(text.data(), '\0', size) != nullptr ||
        XMLPreScan::SafeLength(text.data(), size) != size)
        return;
    const DocumentExtent extent = DocumentExtent::OfText(text);
    FuzzCheck(XMLPreScan::SafeLength(text.data(), size, extent.depth, extent.attributes) == size,
              "nothing is cut within the library's own extent");
    const unsigned long unlimited = ~0UL;
    if (extent.depth > 0) {
        const unsigned long cut =
            XMLPreScan::SafeLength(text.data(), size, extent.depth - 1, unlimited);
        FuzzCheck(cut < size &&
                      DocumentExtent::OfText(text.substr(0, cut)).depth == extent.depth - 1,
                  "the depth limit cuts where the library would pass it");
    }
    if (extent.attributes > 0) {
        const unsigned long cut =
            XMLPreScan::SafeLength(text.data(), size, unlimited, extent.attributes - 1);
        FuzzCheck(cut < size && DocumentExtent::OfText(text.substr(0, cut)).attributes ==
                                    extent.attributes - 1,
                  "the attribute limit cuts where the library would pass it");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    SKUDefinition definition;
    definition.parse(QeString(text.data(), text.size()));

    for (const QeString& family : definition.getFamilies()) {
        for (const QeString& variant : definition.hostVariants)
            definition.familyHasHost(family, variant);
        for (const QeString& variant : definition.buildHostVariants)
            definition.familyHasHostBuild(family, variant);
    }
    // Every mask and host of a definition is covered by the definition itself.
    FuzzCheck(definition.contains(definition), "a definition contains itself");
    // Copies walk the install-files tree without recursion.
    const SKUDefinition copy = definition;
    FuzzCheck(copy.contains(definition), "a copy contains the original");

    CheckLoadFile(text);
    CheckLimits(text);
    return 0;
}
