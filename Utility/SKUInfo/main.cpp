// skuinfo FILE: shows how a product definition file is read.
//
// Exit status: 0 when the definition was shown, 1 when the file cannot be
// read or holds no product, 2 for a wrong command line.

#include "FileLibrary.h"
#include "QeString.h"
#include "SKUDefinition.h"
#include "SKUInfoPrinter.h"
#include "XMLNestingLimit.h"
#include "XMLParser.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/stat.h>

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

// Why `path` could not be opened as a regular file: the error of opening it,
// or what it is instead.
std::string WhyUnreadable(const char* path, int error) {
    struct stat status;
    if (error == 0 || (stat(path, &status) == 0 && !S_ISREG(status.st_mode)))
        return "not a regular file";
    return std::strerror(error);
}

// The reader itself never reports a problem, so the file is loaded here and
// checked: readable, a regular file, and holding a `product` element. It is
// opened as the reader opens it, so that a FIFO or a device is refused, not
// waited on. 0 when `document` holds a definition to show.
int LoadDefinitionFile(const char* path, TiXmlDocument& document) {
    errno = 0;
    FILE* file = FileLibrary::OpenRegularFile(QeString(path));
    if (file == nullptr)
        return Fail(std::string("cannot read ") + path + ": " + WhyUnreadable(path, errno));
    XMLNestingLimit::Cut cut = XMLNestingLimit::Cut::None;
    XMLNestingLimit::LoadFile(document, file, &cut);
    std::fclose(file);
    const std::string refused = XMLNestingLimit::RefusalReason(cut);
    if (!refused.empty())
        return Fail(std::string(path) + ": " + refused +
                    ", more than a definition may hold; not read");
    if (cut == XMLNestingLimit::Cut::Depth) {
        std::cerr << "skuinfo: warning: " << path << ": elements nested deeper than "
                  << XMLNestingLimit::kMaxDepth << " levels; showing what comes before them\n";
    } else if (cut == XMLNestingLimit::Cut::Attributes) {
        std::cerr << "skuinfo: warning: " << path << ": an element with more than "
                  << XMLNestingLimit::kMaxAttributes
                  << " attributes; showing what comes before the excess\n";
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
