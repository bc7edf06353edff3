// SKUDefinition::parse on arbitrary text, then the queries over what it read.
#include "FuzzCheck.h"
#include "QeString.h"
#include "SKUDefinition.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SKUDefinition definition;
    definition.parse(QeString(reinterpret_cast<const char*>(data), size));

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
    return 0;
}
