#include "QeString.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdio>
#include <string>

namespace {

// The fields in text order; Data1 in full, so a sign-extended value shows.
std::string Fields(const _GUID& g) {
    char text[64];
    std::snprintf(text, sizeof text, "%lx %x %x %02x%02x %02x%02x%02x%02x%02x%02x", g.Data1,
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

const char* const kNullFields = "0 0 0 0000 000000000000";

} // namespace

TEST(QeStringFormat, NumbersAndFromFormat) {
    QeString s("old");
    EXPECT_EQ(&s, &s.FromDword(UINT_MAX));
    EXPECT_EQ("4294967295", Text(s));
    EXPECT_EQ("-2147483648", Text(s.FromInt(INT_MIN)));
    EXPECT_EQ("2.500000", Text(s.FromDouble(2.5)));
    // texts longer than 29 characters are kept whole
    EXPECT_EQ("1000000000000000019884624838656.000000", Text(s.FromDouble(1e30)));
    EXPECT_EQ(317u, s.FromDouble(-DBL_MAX).Size());

    EXPECT_EQ("ab-007", Text(s.FromFormat("%s-%03d", "ab", 7)));
    EXPECT_EQ(nullptr, s.FromFormat("").Data());
    const std::string long600(600, 'x');
    EXPECT_EQ(long600.substr(0, 510), Text(s.FromFormat("%s", long600.c_str())));
    // an argument's own % signs are data, never directives
    const QeString product("100% Pro %d%%");
    EXPECT_EQ("Remove 100% Pro %d%%?", Text(s.FromFormat("Remove %s?", product.ConstData())));
    EXPECT_EQ("a", Text(s.FromFormat("a%cb", 0))); // the output ends at its first NUL
}

TEST(QeStringFormatGuid, ReadsTheHyphenatedFormOnly) {
    bool ok = false;
    const _GUID g = QeString("6B29FC40-CA47-1067-B31D-00DD010662DA} trailing").GetGUID(&ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ("6b29fc40 ca47 1067 b31d 00dd010662da", Fields(g));
    EXPECT_EQ("6b29fc40-ca47-1067-b31d-00dd010662da", Text(QeString("old").FromGUID(g)));
    for (const char* bad : {"{6b29fc40-ca47-1067-b31d-00dd010662da}", "", "6b29fc40-ca47-1067",
                            "123456789-ca47-1067-b31d-00dd010662da"}) {
        ok = true;
        EXPECT_EQ(kNullFields, Fields(QeString(bad).GetGUID(&ok))) << bad;
        EXPECT_FALSE(ok) << bad;
    }
    EXPECT_EQ(kNullFields, Fields(QeString("x").GetGUID()));
    // Data1 is read as 32 bits, not sign-extended into the wider field
    EXPECT_EQ("ffffffff ffff ffff ffff ffffffffffff",
              Fields(QeString("FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF").GetGUID()));
}

TEST(QeStringFormatGuid, WritesLowercaseAndTheLow32BitsOfData1) {
    EXPECT_EQ(&QeString::GetNullGuid(), &QeString::GetNullGuid());
    _GUID g = QeString::GetNullGuid();
    EXPECT_EQ(kNullFields, Fields(g));
    EXPECT_EQ("00000000-0000-0000-0000-000000000000", Text(QeString().FromGUID(g)));
    g.Data1 = 0x1ABCDEF01UL;
    g.Data2 = 0xFFFF;
    g.Data4[7] = 0xA;
    EXPECT_EQ("abcdef01-ffff-0000-0000-00000000000a", Text(QeString().FromGUID(g)));
}
