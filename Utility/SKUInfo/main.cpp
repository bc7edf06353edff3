// skuinfo FILE: shows how a product definition file is read.
//
// Exit status: 0 when the definition was shown, 1 when the file cannot be
// read or holds no product, 2 for a wrong command line.

#include "QeString.h"
#include "SKUDefinition.h"
#include "SKUInfoPrinter.h"
#include "XMLLimits.h"
#include "XMLLoader.h"
#include "XMLParser.h"

#include <cstring>
#include <iostream>
#include <string>

namespace {

const char kUsage[] =
    "usage: skuinfo [--families] FILE\n"
    "Lists the product definition in FILE (an sku.xml) as it is read; with --families,\n"
    "which families each host variant is offered at install and at build time.\n";

int Fail(const std::string& message) {
    std::cerr << "skuinfo: " << message << "\n";
    return 1;
}

// "FILE:ROW:COL: what TinyXML found wrong", without the row and column when
// TinyXML could not give them.
std::string XmlProblem(const char* path, const TiXmlDocument& document) {
    std::string problem = path;
    if (document.ErrorRow() > 0)
        problem +=
            ":" + std::to_string(document.ErrorRow()) + ":" + std::to_string(document.ErrorCol());
    std::string description = document.ErrorDesc();
    if (!description.empty() && description.back() == '.')
        description.pop_back();
    return problem + ": " + description;
}

// What stands after a cut's reason in the warning that the rest is not shown.
std::string ShownBeforeCut(XMLLimits::Cut cut) {
    return cut == XMLLimits::Cut::Depth ? " levels; showing what comes before them"
                                        : "; showing what comes before the excess";
}

// The reader itself never reports a problem, so the file is loaded here and
// checked: readable, a regular file, and holding a `product` element. It is
// opened as the reader opens it, so that a FIFO or a device is refused, not
// waited on. 0 when `document` holds a definition to show.
int LoadDefinitionFile(const char* path, TiXmlDocument& document) {
    const XMLLoadReport report = XMLLoader::LoadPath(document, QeString(path));
    if (!report.opened)
        return Fail(std::string("cannot read ") + path + ": " + report.opened.Message());
    const std::string refused = XMLLimits::RefusalReason(report.cut);
    if (!refused.empty())
        return Fail(std::string(path) + ": " + refused +
                    ", more than a definition may hold; not read");
    if (report.cut != XMLLimits::Cut::None) {
        std::cerr << "skuinfo: warning: " << path << ": " << XMLLimits::CutReason(report.cut)
                  << ShownBeforeCut(report.cut) << "\n";
    }
    const std::string problem = XmlProblem(path, document);
    if (document.FirstChild("product") == nullptr) {
        if (document.Error())
            return Fail(problem + "; no product definition read");
        return Fail(std::string(path) + ": no <product> element; not a product definition");
    }
    if (document.Error()) {
        std::cerr << "skuinfo: warning: " << problem << "; showing what was read before it\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::cout << kUsage;
        return 0;
    }
    const bool familyOffers = argc == 3 && std::strcmp(argv[1], "--families") == 0;
    const char* path = argv[argc - 1];
    if ((argc != 2 && !familyOffers) || path[0] == '\0' || (path[0] == '-' && path[1] != '\0')) {
        std::cerr << kUsage;
        return 2;
    }
    TiXmlDocument document;
    if (const int status = LoadDefinitionFile(path, document))
        return status;
    SKUDefinition definition;
    definition.parseInner(document);
    if (familyOffers)
        SKUInfoPrinter::PrintFamilyOffers(definition, std::cout);
    else
        SKUInfoPrinter::Print(definition, std::cout);
    return std::cout.flush() ? 0 : 1;
}
