#include "QeVersion.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string Parts(const QeVersion& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
           std::to_string(v.revision) + "." + std::to_string(v.build);
}

} // namespace

TEST(QeVersionParse, FillsWhatFitsAndMovesALargeRevisionToTheBuild) {
    const std::pair<const char*, const char*> cases[] = {{"5.1.123456", "5.1.0.123456"},
                                                         {"5.1.123456.0", "5.1.0.123456"},
                                                         {"5.1.100000", "5.1.100000.0"},
                                                         {"5.1.100001", "5.1.0.100001"},
                                                         {"5.1.123456.7", "5.1.123456.7"},
                                                         {"1.2", "1.2.0.0"},
                                                         {"1.2.3.4.5", "1.2.3.4"},
                                                         {"1.x.3", "1.0.0.0"},
                                                         {" -1. 2", "-1.2.0.0"},
                                                         {"", "0.0.0.0"},
                                                         {"abc", "0.0.0.0"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, Parts(QeVersion(QeString(c.first)))) << c.first;
    EXPECT_FALSE(QeVersion("abc").IsValid());
    EXPECT_TRUE(QeVersion(0, 0, 0, -1).IsValid());
    EXPECT_EQ("7.3.0.812", Parts(QeVersion(QeProductVersion{7, 3, 812})));
}

TEST(QeVersionOrder, PartByPartAsSignedNumbers) {
    struct Pair {
        QeVersion low, high;
    };
    const Pair ascending[] = {{{1, 9, 9, 9}, {1, 10, 0, 0}}, {{1, 2, 3, 4}, {1, 2, 3, 5}},
                              {{-1, 0, 0, 0}, {}},           {{1, 99, 99, 99}, {2, 0, 0, 0}},
                              {{1, 2, 3, 9}, {1, 2, 4, 0}},  {{1, 2, 3, -1}, {1, 2, 3, 0}}};
    for (const Pair& p : ascending) {
        const std::string name = Parts(p.low) + " < " + Parts(p.high);
        EXPECT_TRUE(p.low < p.high && p.high > p.low && p.low <= p.high && p.high >= p.low) << name;
        EXPECT_FALSE(p.high < p.low || p.low > p.high || p.high <= p.low || p.low >= p.high ||
                     p.low == p.high)
            << name;
    }
    const QeVersion a(1, 2, 3, 4), b("1.2.3.4");
    EXPECT_TRUE(a == b && a <= b && a >= b && !(a < b) && !(a > b));
}

TEST(QeVersionText, BothFormsAndTheDigitNumber) {
    const QeVersion v(1, 2, 3, 4), parsed("5.1.123456");
    EXPECT_STREQ("1.2.3.4", v.ToString().ConstData());
    EXPECT_STREQ("1.2.4", v.ToString(true).ConstData());
    EXPECT_STREQ("5.1.0.123456", parsed.ToString().ConstData());
    EXPECT_STREQ("5.1.123456", parsed.ToString(true).ConstData());
    EXPECT_STREQ("-1.0.-3.4", QeVersion(-1, 0, -3, 4).ToString().ConstData());
    EXPECT_EQ(1234u, v.ToUInt());
    EXPECT_EQ(124u, v.ToUInt(true));
    EXPECT_EQ(2001500u, QeVersion(2, 0, 0, 1500).ToUInt());
    // digits, not the version order
    EXPECT_EQ(11000u, QeVersion(1, 10, 0, 0).ToUInt());
    EXPECT_EQ(2000u, QeVersion(2, 0, 0, 0).ToUInt());
}

// The digits are read as the byte string's unsigned reading reads them: a
// leading minus counts down from 2^32, a later one ends the number, and a
// number past 32 bits keeps its low 32 bits (past 64 bits, all bits set).
TEST(QeVersionText, ToUIntOfNegativeAndOversizedParts) {
    const struct {
        QeVersion version;
        bool shortForm;
        unsigned int number;
    } cases[] = {
        {QeVersion(-1, 0, 0, 0), false, 4294967296u - 1000u},
        {QeVersion(-1, 2, 3, 4), false, 4294967296u - 1234u},
        {QeVersion(1, -2, 3, 4), false, 1u},
        {QeVersion(4294, 967295, 0, 0), true, 4294967286u}, // 42949672950 mod 2^32
        {QeVersion(4294, 967296, 0, 0), true, 0u},          // 42949672960 mod 2^32
        {QeVersion(99999, 99999, 99999, 99999), false, 4294967295u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.version.ToUInt(c.shortForm), c.number) << c.version.ToString().ConstData();
}
