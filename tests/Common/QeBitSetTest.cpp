#include "QeBitSet.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A mask text converts to a set implicitly, as callers rely on.
QeBitSet Set(const std::string& mask) {
    return QeString(mask.data(), mask.size());
}

// The bits highest first, as '0' and '1'; the length is the width.
std::string Bits(const QeBitSet& set) {
    std::string text;
    for (std::size_t i = set.bits.size(); i > 0; --i)
        text += set.bits[i - 1] ? '1' : '0';
    return text;
}

std::string Zeros(std::size_t count) {
    return std::string(count, '0');
}

} // namespace

TEST(QeBitSetRead, WorkedReadings) {
    QeBitSet set;
    EXPECT_TRUE(set.fromString(QeString("1F")));
    EXPECT_EQ("00011111", Bits(set));
    EXPECT_TRUE(set.fromString(QeString("0")));
    EXPECT_EQ("0000", Bits(set));
    EXPECT_TRUE(set.fromString(QeString("100000000")));
    EXPECT_EQ("0001" + Zeros(32), Bits(set));
    EXPECT_TRUE(set.fromString(QeString("FFFFFFFF")));
    EXPECT_EQ(std::string(32, '1'), Bits(set));
    EXPECT_EQ("10101011", Bits(Set("aB")));
    // the last eight characters are read first and give the low bits
    EXPECT_EQ(Zeros(31) + "11" + Zeros(31), Bits(Set("0000000180000000")));
}

TEST(QeBitSetRead, EmptyOrRejectedTextClearsTheSet) {
    const std::string masks[] = {"", "12G4", "1 ",
                                 std::string("\0"
                                             "1",
                                             2)};
    for (const std::string& mask : masks) {
        SCOPED_TRACE(mask);
        QeBitSet set(QeString("FF"));
        EXPECT_FALSE(set.fromString(QeString(mask.data(), mask.size())));
        EXPECT_TRUE(set.bits.empty());
    }
    // leading white space is skipped, but the width follows the characters
    EXPECT_EQ("00000001", Bits(Set(" 1")));
    // a chunk ends at its first NUL
    EXPECT_EQ("00000001", Bits(Set(std::string("1\0", 2))));
}

TEST(QeBitSetRead, RejectedChunkAddsNoBits) {
    QeBitSet set;
    EXPECT_TRUE(set.fromString(QeString("000000010000000Z")));
    EXPECT_EQ(Zeros(31) + "1", Bits(set));
    EXPECT_EQ("0001" + Zeros(30) + "10", Bits(Set("1"
                                                  "0000000Z"
                                                  "00000002")));
}

TEST(QeBitSetContains, SetBitsOfOtherLieWithin) {
    EXPECT_TRUE(Set("3").Contains(Set("1")));
    EXPECT_FALSE(Set("1").Contains(Set("3")));
    EXPECT_TRUE(Set("FF").Contains(Set("1")));
    EXPECT_FALSE(Set("10").Contains(Set("1")));
    EXPECT_FALSE(Set("0").Contains(Set("10")));
    EXPECT_FALSE(Set("").Contains(Set("1")));
    for (const char* a : {"", "0", "3", "FFFFFFFFF"}) {
        SCOPED_TRACE(a);
        EXPECT_TRUE(Set(a).Contains(Set("")));
        EXPECT_TRUE(Set(a).Contains(Set("00")));
    }
}

TEST(QeBitSetContains, BitBeyondWidthCountsAsClear) {
    EXPECT_FALSE(Set("1").Contains(Set("11")));
    EXPECT_FALSE(Set("F").Contains(Set("100000000")));
    EXPECT_TRUE(Set("1F").Contains(Set("11")));

    const QeBitSet a = Set("1");
    EXPECT_FALSE(a.Contains(Set("FF")));
    EXPECT_EQ("0001", Bits(a));
}

TEST(QeBitSetOps, Invert) {
    const QeBitSet a = Set("A");
    EXPECT_EQ("0101", Bits(~a));
    EXPECT_EQ("1010", Bits(a));
    EXPECT_EQ("11111111", Bits(~Set("00")));
    EXPECT_EQ("", Bits(~QeBitSet()));
}

TEST(QeBitSetOps, AndTakesWiderWidth) {
    const QeBitSet f = Set("F");
    const QeBitSet ff = Set("FF");
    EXPECT_EQ("00001111", Bits(f & ff));
    EXPECT_EQ("00001111", Bits(ff & f));
    EXPECT_EQ("1111", Bits(f));
    EXPECT_EQ("11111111", Bits(ff));
    EXPECT_EQ("0010", Bits(Set("3") & Set("6")));

    QeBitSet a = Set("FF");
    EXPECT_EQ(&a, &(a &= Set("F0")));
    EXPECT_EQ("11110000", Bits(a));
    a = Set("1");
    a &= Set("FFFF");
    EXPECT_EQ(Zeros(15) + "1", Bits(a));
    a = Set("F");
    a &= QeBitSet();
    EXPECT_EQ("0000", Bits(a));
    a = Set("5");
    const QeBitSet& same = a;
    a &= same;
    EXPECT_EQ("0101", Bits(a));
}
