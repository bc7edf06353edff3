// QeBitSet::fromString on arbitrary text. A text of hexadecimal digits only is
// checked against a plain reading of its digits.
#include "FuzzCheck.h"
#include "QeBitSet.h"
#include "QeString.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const QeString mask(text.data(), text.size());
    QeBitSet set;
    const bool read = set.fromString(mask);
    FuzzCheck(read == !set.bits.empty(), "the result tells whether any bit was read");
    FuzzCheck(set.bits.size() % 4 == 0 && set.bits.size() <= 4 * text.size(),
              "four bits per character read");
    FuzzCheck(QeBitSet(mask).bits == set.bits, "the constructor reads as fromString");

    bool allDigits = true;
    for (char c : text)
        allDigits = allDigits && HexValue(c) >= 0;
    if (allDigits) {
        FuzzCheck(set.bits.size() == 4 * text.size(), "every digit gives four bits");
        for (std::size_t bit = 0; bit < set.bits.size(); ++bit) {
            const int digit = HexValue(text[text.size() - 1 - bit / 4]);
            FuzzCheck(set.bits[bit] == (((digit >> (bit % 4)) & 1) != 0), "bit of a digit");
        }
    }

    const QeBitSet inverted = ~set;
    FuzzCheck(set.Contains(set) && inverted.bits.size() == set.bits.size(), "complement width");
    const QeBitSet none = set & inverted;
    FuzzCheck(none.bits.size() == set.bits.size() && QeBitSet().Contains(none),
              "a set and its complement share no bit");
    return 0;
}
