#include "SKUDefinition.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

SKUDefinition Load(const std::string& body) {
    const std::string xml = "<product>" + body + "</product>";
    SKUDefinition definition;
    definition.parse(QeString(xml.c_str(), xml.size()));
    return definition;
}

// A family with the masks given; a null mask leaves its element out.
std::string Family(const char* name, const char* plugins, const char* features = nullptr,
                   const char* content = nullptr) {
    std::string xml = std::string("<family name='") + name + "'>";
    for (auto mask : {std::make_pair("plugins", plugins), std::make_pair("features", features),
                      std::make_pair("content", content)})
        if (mask.second)
            xml += std::string("<") + mask.first + "mask name='" + mask.second + "'/>";
    return xml + "</family>";
}

SKUDefinition Def(const std::string& families, std::initializer_list<const char*> hosts) {
    std::string xml = "<families>" + families + "</families><hosts>";
    for (const char* host : hosts)
        xml += std::string("<host name='") + host + "'/>";
    return Load(xml + "</hosts>");
}

// D lists All, so only the masks decide.
bool MasksCover(const std::string& d, const std::string& o) {
    return Def(d, {"All"}).contains(Def(o, {"Ed"}));
}

bool HostsCover(std::initializer_list<const char*> d, std::initializer_list<const char*> o) {
    return Def("", d).contains(Def("", o));
}

// Red, Green and Blue have plug-ins; Bare has none, so it is not a known family.
const std::string kFamilies =
    "<families><family name='Red'><plugins><plugin name='p'/></plugins></family>"
    "<family name='Green'><plugins><plugin name='p'/></plugins></family>"
    "<family name='Blue'><plugins><plugin name='p'/></plugins></family>"
    "<family name='Bare'><pluginsmask name='1'/></family></families>";

} // namespace

TEST(SKUQueriesContains, MasksDecideBeforeTheHosts) {
    const SKUDefinition full = Def(Family("Fx", "3", "F0", "1") + Family("Gx", "", ""), {"A", "B"});
    EXPECT_TRUE(full.contains(full));
    EXPECT_TRUE(SKUDefinition().contains(SKUDefinition()));

    EXPECT_TRUE(MasksCover(Family("F", "3"), Family("F", "1")));
    EXPECT_FALSE(MasksCover(Family("F", "1"), Family("F", "3")));
    EXPECT_FALSE(MasksCover(Family("F", ""), Family("F", "1")));
    EXPECT_TRUE(MasksCover(Family("F", ""), Family("F", "")));
    EXPECT_FALSE(MasksCover(Family("G", "3"), Family("F", "1")));
    // a bit beyond the narrower set counts as clear
    EXPECT_FALSE(MasksCover(Family("F", "1"), Family("F", "11")));
    EXPECT_TRUE(MasksCover(Family("F", "11"), Family("F", "1")));
    EXPECT_TRUE(MasksCover(Family("F", "1"), Family("F", "01")));

    EXPECT_TRUE(MasksCover(Family("F", nullptr, "F"), Family("F", nullptr, "3")));
    EXPECT_FALSE(MasksCover(Family("F", nullptr, "1"), Family("F", nullptr, "10")));
    EXPECT_FALSE(MasksCover(Family("G", nullptr, "F"), Family("F", nullptr, "")));
    // content masks count by presence only
    EXPECT_TRUE(MasksCover(Family("F", nullptr, nullptr, "1"), Family("F", nullptr, nullptr, "2")));
    EXPECT_FALSE(MasksCover(Family("F", "1", "1"), Family("F", nullptr, nullptr, "1")));
}

TEST(SKUQueriesContains, HostsByWildcardOrByList) {
    EXPECT_TRUE(HostsCover({"A", "All"}, {"X", "Y"}));
    EXPECT_FALSE(HostsCover({"all"}, {"X"}));
    EXPECT_TRUE(HostsCover({"A", "B"}, {"B", "A", "B"}));
    EXPECT_FALSE(HostsCover({"A", "B"}, {"B", "C"}));
    EXPECT_TRUE(HostsCover({"A"}, {}));
    EXPECT_TRUE(HostsCover({}, {}));
    EXPECT_FALSE(HostsCover({}, {"A"}));
    // host variants and build hosts play no part
    EXPECT_TRUE(Load("<hosts><host name='Ed' arch='x86'/></hosts>")
                    .contains(Load("<hosts><host name='Ed'/></hosts>"
                                   "<hostsForBuild><host name='Farm'/></hostsForBuild>")));
}

TEST(SKUQueriesFamilies, SortedUnionOfTheHostLists) {
    SKUDefinition d = Load(kFamilies + "<hosts><host name='A' families='Red;Green'/>"
                                       "<host name='B' arch='x86;x64' families='Green;Blue'/>"
                                       "<host name='C'/></hosts><hostsForBuild>"
                                       "<host name='F' families='Cyan'/></hostsForBuild>");
    d.hostFamilies[QeString("C")] = {QeString(), QeString("Teal")};
    std::string names;
    for (const QeString& name : d.getFamilies())
        names += std::string(name.ConstData(), name.Size()) + ",";
    EXPECT_EQ("Green,Blue,Teal,Red,", names);
    EXPECT_TRUE(SKUDefinition().getFamilies().empty());
}

TEST(SKUQueriesFamilyHasHost, ListedOrDeclaredWithoutListAndKnown) {
    SKUDefinition d =
        Load(kFamilies + "<hosts><host name='Ed' families='Red;Green;Bare'/>"
                         "<host name='Open'/><host name='Old' arch='x86' families='Blue'/>"
                         "<host name='Dual' arch='x86' families='Blue'/><host name='Dual'/>"
                         "</hosts>");
    const char* const offered[][2] = {{"Red", "Ed"},     {"Green", "Ed"},   {"Red", "Open"},
                                      {"Blue", "Open"},  {"Blue", "Old32"}, {"Red", "Dual"},
                                      {"Blue", "Dual32"}};
    const char* const refused[][2] = {{"Blue", "Ed"},   {"Bare", "Ed"},   {"red", "Ed"},
                                      {"Bare", "Open"}, {"Red", "Ghost"}, {"Red", "ed"},
                                      {"Red", "Old32"}, {"Blue", "Old"},  {"Red", "Dual32"}};
    // without hostsForBuild the build members are copies, so both answer alike
    for (const auto& c : offered)
        EXPECT_TRUE(d.familyHasHost(c[0], c[1]) && d.familyHasHostBuild(c[0], c[1]))
            << c[0] << c[1];
    for (const auto& c : refused)
        EXPECT_FALSE(d.familyHasHost(c[0], c[1]) || d.familyHasHostBuild(c[0], c[1]))
            << c[0] << c[1];
    d.hostFamilies[QeString("Ed")].clear(); // an empty list offers every known family
    EXPECT_TRUE(d.familyHasHost("Blue", "Ed"));
    EXPECT_FALSE(d.familyHasHost("Bare", "Ed"));
}

TEST(SKUQueriesFamilyHasHost, BuildAsksTheBuildHosts) {
    const SKUDefinition d =
        Load(kFamilies + "<hosts><host name='Ed' families='Red'/></hosts>"
                         "<hostsForBuild><host name='Farm' families='Blue;Bare'/>"
                         "<host name='Any'/></hostsForBuild>");
    EXPECT_TRUE(d.familyHasHostBuild("Blue", "Farm") && d.familyHasHostBuild("Green", "Any"));
    EXPECT_FALSE(d.familyHasHostBuild("Bare", "Farm") || d.familyHasHostBuild("Red", "Farm"));
    EXPECT_FALSE(d.familyHasHostBuild("Red", "Ed") || d.familyHasHost("Blue", "Farm"));
    EXPECT_TRUE(d.familyHasHost("Red", "Ed"));
}

TEST(SKUQueriesFamilyHasHost, AnswersFromTheListsAsTheyAreNow) {
    // The same questions in list order, in reverse, and after the list
    // changed under a definition that was already asked.
    SKUDefinition d = Load(kFamilies + "<hosts><host name='A'/><host name='B'/><host name='C'/>"
                                       "<host name='B'/></hosts>");
    for (const char* variant : {"A", "B", "C", "C", "B", "A"})
        EXPECT_TRUE(d.familyHasHost("Red", variant)) << variant;
    EXPECT_FALSE(d.familyHasHost("Red", "D"));
    d.hostVariants[2] = QeString("D");
    EXPECT_FALSE(d.familyHasHost("Red", "C"));
    EXPECT_TRUE(d.familyHasHost("Red", "D"));
    d.hostVariants.resize(1);
    EXPECT_FALSE(d.familyHasHost("Red", "B") || d.familyHasHost("Red", "D"));
    EXPECT_TRUE(d.familyHasHost("Red", "A"));
    d.hostVariants.clear();
    EXPECT_FALSE(d.familyHasHost("Red", "A"));
}

TEST(SKUQueriesFamilyOffers, AnswerAsTheQueriesForEveryPair) {
    const SKUDefinition d =
        Load(kFamilies + "<hosts><host name='Ed' families='Red;Bare'/><host name='Open'/>"
                         "<host name='Old' arch='x86' families='Blue'/><host name='Empty' "
                         "families=''/></hosts><hostsForBuild><host name='Farm' families='Blue'/>"
                         "<host name='Any'/><host name='Ed'/></hostsForBuild>");
    const SKUDefinition::FamilyOffers offers(d);
    for (const char* family : {"Red", "Green", "Blue", "Bare", "None", ""})
        for (const char* variant :
             {"Ed", "Open", "Old", "Old32", "Empty", "Farm", "Any", "Ghost"}) {
            EXPECT_EQ(offers.hasHost(family, variant), d.familyHasHost(family, variant))
                << family << " " << variant;
            EXPECT_EQ(offers.hasHostBuild(family, variant), d.familyHasHostBuild(family, variant))
                << family << " " << variant;
        }
}

TEST(SKUQueriesIdentity, GetSKUInfoIsACopyOfTheFourTexts) {
    SKUDefinition d = Load("<sku ID='S1' name='Suite' build='042' prefix='QE'/>");
    const SKUDefinition::SKUInfo info = d.getSKUInfo();
    d.skuInfo.name.Data()[0] = 'X';
    d.clear();
    EXPECT_EQ("S1|Suite|042|QE", std::string(info.id.ConstData()) + "|" + info.name.ConstData() +
                                     "|" + info.build.ConstData() + "|" + info.prefix.ConstData());
}
