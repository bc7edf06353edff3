#include "QeBitSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Positions = std::vector<std::size_t>;

QeBitSet Set(const std::string& mask) {
    return QeBitSet(QeString(mask.data(), mask.size()));
}

// The positions of the set bits, lowest first.
Positions SetBits(const QeBitSet& set) {
    Positions result;
    for (std::size_t i = 0; i < set.bits.size(); ++i)
        if (set.bits[i])
            result.push_back(i);
    return result;
}

Positions Range(std::size_t from, std::size_t to) {
    Positions result;
    for (std::size_t i = from; i <= to; ++i)
        result.push_back(i);
    return result;
}

} // namespace

TEST(QeBitSetRead, WorkedReadings) {
    QeBitSet set;
    EXPECT_TRUE(set.fromString(QeString("1F")));
    EXPECT_EQ(8U, set.bits.size());
    EXPECT_EQ(Range(0, 4), SetBits(set));

    EXPECT_TRUE(set.fromString(QeString("0")));
    EXPECT_EQ(4U, set.bits.size());
    EXPECT_EQ(Positions{}, SetBits(set));

    EXPECT_TRUE(set.fromString(QeString("100000000")));
    EXPECT_EQ(36U, set.bits.size());
    EXPECT_EQ(Positions{32}, SetBits(set));

    EXPECT_TRUE(set.fromString(QeString("FFFFFFFF")));
    EXPECT_EQ(32U, set.bits.size());
    EXPECT_EQ(Range(0, 31), SetBits(set));

    EXPECT_TRUE(set.fromString(QeString("aB")));
    EXPECT_EQ((Positions{0, 1, 3, 5, 7}), SetBits(set));

    // the first chunk read is the last eight characters
    EXPECT_TRUE(set.fromString(QeString("0000000180000000")));
    EXPECT_EQ(64U, set.bits.size());
    EXPECT_EQ((Positions{31, 32}), SetBits(set));
}

TEST(QeBitSetRead, EmptyTextClearsTheSet) {
    QeBitSet set(QeString("FF"));
    EXPECT_FALSE(set.fromString(QeString()));
    EXPECT_TRUE(set.bits.empty());
    EXPECT_TRUE(QeBitSet(QeString()).bits.empty());
}

TEST(QeBitSetRead, RejectedChunks) {
    QeBitSet set(QeString("FF"));
    EXPECT_FALSE(set.fromString(QeString("12G4")));
    EXPECT_TRUE(set.bits.empty());
    // trailing white space rejects, leading white space does not
    EXPECT_FALSE(set.fromString(QeString("1 ")));
    EXPECT_TRUE(set.bits.empty());
    EXPECT_TRUE(set.fromString(QeString(" 1")));
    EXPECT_EQ(8U, set.bits.size());
    EXPECT_EQ(Positions{0}, SetBits(set));
}

TEST(QeBitSetRead, RejectedLowChunkLetsHighChunkMoveDown) {
    QeBitSet set;
    EXPECT_TRUE(set.fromString(QeString("000000010000000Z")));
    EXPECT_EQ(32U, set.bits.size());
    EXPECT_EQ(Positions{0}, SetBits(set));

    EXPECT_TRUE(set.fromString(QeString("1"
                                        "0000000Z"
                                        "00000002")));
    EXPECT_EQ(36U, set.bits.size());
    EXPECT_EQ((Positions{1, 32}), SetBits(set));
}

TEST(QeBitSetRead, ChunkEndsAtNul) {
    // the width still follows the chunk's length in characters
    QeBitSet set(QeString("1\0", 2));
    EXPECT_EQ(8U, set.bits.size());
    EXPECT_EQ(Positions{0}, SetBits(set));
    EXPECT_TRUE(QeBitSet(QeString("\0"
                                  "1",
                                  2))
                    .bits.empty());
}

TEST(QeBitSetContains, SameWidth) {
    EXPECT_TRUE(Set("3").Contains(Set("1")));
    EXPECT_FALSE(Set("1").Contains(Set("3")));
    EXPECT_TRUE(Set("F").Contains(Set("F")));
    EXPECT_FALSE(Set("0").Contains(Set("1")));
}

TEST(QeBitSetContains, NothingSetInOther) {
    for (const char* a : {"", "0", "3", "FFFFFFFFF"}) {
        SCOPED_TRACE(a);
        EXPECT_TRUE(Set(a).Contains(Set("")));
        EXPECT_TRUE(Set(a).Contains(Set("00")));
    }
    EXPECT_FALSE(Set("").Contains(Set("1")));
}

TEST(QeBitSetContains, DifferentWidths) {
    EXPECT_TRUE(Set("FF").Contains(Set("1")));
    EXPECT_FALSE(Set("10").Contains(Set("1")));
    EXPECT_FALSE(Set("0").Contains(Set("10")));
    // a bit beyond this set's width counts as clear
    EXPECT_FALSE(Set("1").Contains(Set("11")));
    EXPECT_FALSE(Set("F").Contains(Set("100000000")));
    EXPECT_TRUE(Set("1F").Contains(Set("11")));

    const QeBitSet a = Set("1");
    a.Contains(Set("FF"));
    EXPECT_EQ(4U, a.bits.size());
    EXPECT_EQ(Positions{0}, SetBits(a));
}

TEST(QeBitSetOps, Invert) {
    const QeBitSet a = Set("A");
    const QeBitSet inverted = ~a;
    EXPECT_EQ(4U, inverted.bits.size());
    EXPECT_EQ((Positions{0, 2}), SetBits(inverted));
    EXPECT_EQ((Positions{1, 3}), SetBits(a));
    EXPECT_EQ(Range(0, 7), SetBits(~Set("00")));
    EXPECT_TRUE((~QeBitSet()).bits.empty());
}

TEST(QeBitSetOps, And) {
    const QeBitSet f = Set("F");
    const QeBitSet ff = Set("FF");
    for (const QeBitSet& result : {f & ff, ff & f}) {
        EXPECT_EQ(8U, result.bits.size());
        EXPECT_EQ(Range(0, 3), SetBits(result));
    }
    EXPECT_EQ(4U, f.bits.size());
    EXPECT_EQ(Range(0, 7), SetBits(ff));
    EXPECT_EQ(Positions{1}, SetBits(Set("3") & Set("6")));
}

TEST(QeBitSetOps, AndAssign) {
    QeBitSet a = Set("FF");
    QeBitSet& same = (a &= Set("F0"));
    EXPECT_EQ(&a, &same);
    EXPECT_EQ(8U, a.bits.size());
    EXPECT_EQ(Range(4, 7), SetBits(a));

    QeBitSet narrow = Set("1");
    narrow &= Set("FFFF");
    EXPECT_EQ(16U, narrow.bits.size());
    EXPECT_EQ(Positions{0}, SetBits(narrow));

    QeBitSet cleared = Set("F");
    cleared &= QeBitSet();
    EXPECT_EQ(4U, cleared.bits.size());
    EXPECT_EQ(Positions{}, SetBits(cleared));

    QeBitSet self = Set("5");
    self &= self;
    EXPECT_EQ(4U, self.bits.size());
    EXPECT_EQ((Positions{0, 2}), SetBits(self));
}
