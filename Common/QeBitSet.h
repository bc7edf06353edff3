// QeBitSet: a growable set of bits read from a hexadecimal mask text.
//
// Bit 0 is the lowest bit of the text's last digit; each digit gives four bits.
//
//   QeBitSet("1F").bits.size();             // 8, bits 0 to 4 set
//   QeBitSet("3").Contains(QeBitSet("1"));  // true
//   QeBitSet("1").Contains(QeBitSet("11")); // false: bit 4 lies beyond "1"
//   (QeBitSet("F") & QeBitSet("FF"));       // width 8, bits 0 to 3 set
#ifndef QE_QEBITSET_H
#define QE_QEBITSET_H

#include "QeString.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

class QeBitSet {
public:
    /// The bits, bit 0 first; the size is the set's width.
    std::vector<bool> bits;

    /// An empty set (width 0).
    QeBitSet() = default;
    /// The set read from a mask text by fromString.
    QeBitSet(const QeString& mask) { fromString(mask); }

    /// Replaces the content by the bits of a hexadecimal mask text. The text
    /// is read in chunks of eight characters from its end; each chunk that
    /// reads as one hexadecimal number with nothing after it adds four bits
    /// per character, and a chunk that does not ("12G4", "1 ") adds none.
    /// True when the set now has at least one bit, set or clear.
    bool fromString(const QeString& mask) {
        bits.clear();
        std::istringstream reader;
        reader >> std::hex;
        for (unsigned long end = mask.Size(); end > 0;) {
            const unsigned long start = end > kChunkDigits ? end - kChunkDigits : 0;
            AppendChunk(reader, mask.ConstData() + start, end - start);
            end = start;
        }
        return !bits.empty();
    }

    /// True when every set bit of `other` is set here; a bit beyond this
    /// set's width counts as clear. An empty `other` is always contained.
    bool Contains(const QeBitSet& other) const {
        for (std::size_t i = 0; i < other.bits.size(); ++i) {
            if (other.bits[i] && (i >= bits.size() || !bits[i]))
                return false;
        }
        return true;
    }

    /// A copy of the same width with every bit flipped.
    QeBitSet operator~() const {
        QeBitSet inverted(*this);
        inverted.bits.flip();
        return inverted;
    }

    /// The AND of both sets, as wide as the wider one; a position that only
    /// one of them has is clear.
    QeBitSet operator&(const QeBitSet& other) const {
        QeBitSet result(*this);
        result &= other;
        return result;
    }

    QeBitSet& operator&=(const QeBitSet& other) {
        const std::size_t common = std::min(bits.size(), other.bits.size());
        for (std::size_t i = 0; i < common; ++i)
            bits[i] = bits[i] && other.bits[i];
        std::fill(bits.begin() + static_cast<std::ptrdiff_t>(common), bits.end(), false);
        bits.resize(std::max(bits.size(), other.bits.size()), false);
        return *this;
    }

private:
    static constexpr unsigned long kChunkDigits = 8;

    // Reads one chunk with the rules of a hexadecimal stream extraction; the
    // chunk's text ends at a NUL byte, and anything after the number rejects it.
    void AppendChunk(std::istringstream& reader, const char* chunk, unsigned long length) {
        reader.clear();
        reader.str(std::string(chunk, strnlen(chunk, length)));
        std::uint32_t value = 0;
        if (!(reader >> value) || reader.peek() != std::char_traits<char>::eof())
            return;
        for (unsigned long bit = 0; bit < 4 * length; ++bit)
            bits.push_back(((value >> bit) & 1U) != 0);
    }
};

#endif
