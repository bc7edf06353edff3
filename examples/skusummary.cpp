// skusummary FILE: the product name and families of a product definition,
// read with the suite's shared library as another tool of the suite uses it.
//
//   $ skusummary sku.xml
//   Product: Qe Studio Effects
//   Families: Filters, Color
//
// Exit status: 0 when shown, 1 when FILE holds no product, 2 for a wrong
// command line.

#include "PrintableText.h"
#include "SKUDefinition.h"

#include <iostream>
#include <string>

namespace {

// A name from the file, safe to print.
std::string Shown(const QeString& name) {
    return PrintableText::Escaped(std::string(name.ConstData(), name.Size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: skusummary FILE\n"
                     "Shows the product name and the families of the definition in FILE.\n";
        return 2;
    }
    SKUDefinition definition;
    definition.fromFile(argv[1]);
    const QeString name = definition.getSKUInfo().name;
    // The reader never fails: an unreadable or foreign file reads as empty.
    if (name.IsEmpty()) {
        std::cerr << "skusummary: " << PrintableText::Escaped(argv[1])
                  << ": no product name read; not a product definition\n";
        return 1;
    }
    std::cout << "Product: " << Shown(name) << "\nFamilies:";
    const char* separator = " ";
    for (const QeString& family : definition.getFamilies()) {
        std::cout << separator << Shown(family);
        separator = ", ";
    }
    std::cout << "\n";
    return 0;
}
