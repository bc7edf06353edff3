#include "RandomIdentifier.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>

namespace {

// "XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX": upper-case hexadecimal digits, the
// version (4) and the variant (Y: 8, 9, A or B) in their places.
bool IsVersion4Uuid(const std::string& text) {
    const std::string pattern = "hhhhhhhh-hhhh-4hhh-vhhh-hhhhhhhhhhhh";
    if (text.size() != pattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        const bool fits = pattern[i] == 'h'   ? hex
                          : pattern[i] == 'v' ? std::string("89AB").find(c) != std::string::npos
                                              : c == pattern[i];
        if (!fits)
            return false;
    }
    return true;
}

} // namespace

TEST(RandomIdentifierUuid, IsAVersion4UuidInUpperCase) {
    for (int i = 0; i < 100; ++i) {
        const std::string text = RandomIdentifier::Uuid();
        EXPECT_TRUE(IsVersion4Uuid(text)) << text;
    }
}

// Each comes from the system's random source: a source that gave nothing
// would make them all the same (zero but for the version and variant).
TEST(RandomIdentifierUuid, NoTwoAreAlike) {
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i)
        seen.insert(RandomIdentifier::Uuid());
    EXPECT_EQ(seen.size(), 1000u);
    EXPECT_EQ(seen.count("00000000-0000-4000-8000-000000000000"), 0u);
}
