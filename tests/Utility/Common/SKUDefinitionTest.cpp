#include "SKUDefinition.h"
#include "TestSupport.h"
#include "XMLParser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

// Members rendered as text, so that one comparison checks a whole map or list,
// its order and the absence of extra entries included.
namespace {

using namespace std::string_literals;

std::string T(const QeString& text) {
    return Text(text);
}
std::string T(int value) {
    return std::to_string(value);
}
std::string T(const QeBitSet& set) {
    std::string out;
    for (bool bit : set.bits)
        out += bit ? '1' : '0';
    return out;
}
std::string T(const std::vector<QeString>& list) {
    std::string out;
    for (const QeString& item : list)
        out += (out.empty() ? "" : ",") + T(item);
    return "[" + out + "]";
}
std::string T(const FileNode& node);
template <class V> std::string T(const std::map<QeString, V>& map) {
    std::string out;
    for (const auto& entry : map)
        out += (out.empty() ? "" : " ") + T(entry.first) + "=" + T(entry.second);
    return "{" + out + "}";
}
// name|parentDirectory|isDirectory isX86 flags|configuration|shortcutName|shortcutDir{children}
std::string T(const FileNode& node) {
    return T(node.name) + "|" + T(node.parentDirectory) + "|" + T(node.isDirectory) +
           T(node.isX86) + T(node.dontDelete) + T(node.ignoreInstallErrors) +
           T(node.allowDowngrade) + "|" + T(node.configuration) + "|" + T(node.shortcutName) + "|" +
           T(node.shortcutDir) + T(node.children);
}

std::string Dump(const SKUDefinition& d) {
    const SKUDefinition::SKUInfo& sku = d.skuInfo;
    return T(sku.id) + "|" + T(sku.name) + "|" + T(sku.build) + "|" + T(sku.prefix) + "|" +
           T(d.packageId) + T(d.familyPlugins) + T(d.familyPluginIndices) + T(d.familyContents) +
           T(d.familyContentMasks) + T(d.familyPluginsMasks) + T(d.hostFamilies) + T(d.hosts) +
           T(d.hostVariants) + T(d.hostCompilerOptions) + T(d.buildHostFamilies) + T(d.buildHosts) +
           T(d.buildHostVariants) + T(d.installFiles) + T(d.familyFeaturesMasks);
}

// Names and structure only.
std::string Tree(const FileNode& node) {
    std::string out;
    for (const auto& child : node.children)
        out += (out.empty() ? "" : " ") + T(child.first) + Tree(child.second);
    return out.empty() ? "" : "{" + out + "}";
}

// dontDelete, ignoreInstallErrors, allowDowngrade.
std::string Flags(const FileNode& node) {
    return T(node.dontDelete) + T(node.ignoreInstallErrors) + T(node.allowDowngrade);
}

const FileNode& At(const SKUDefinition& d, std::initializer_list<const char*> path) {
    const FileNode* node = &d.installFiles;
    for (const char* name : path)
        node = &node->children.at(QeString(name));
    return *node;
}

SKUDefinition Load(const std::string& xml) {
    SKUDefinition definition;
    definition.parse(QeString(xml.c_str(), xml.size()));
    return definition;
}

SKUDefinition Product(const std::string& body) {
    return Load("<product>" + body + "</product>");
}

const std::string kRich = R"(<?xml version="1.0"?>
<product>
  <sku ID="S1" name="Suite" build="042" prefix="QE"/>
  <packageId value="com.example.suite"/>
  <families>
    <family name="Fx">
      <plugins><plugin name="P" index="1"/></plugins><contents><content name="C"/></contents>
      <featuresmask name="F"/><contentmask name="3"/><pluginsmask name="7"/>
    </family>
    <family name="Gx"><plugins><plugin name="Q" index="2"/></plugins></family>
  </families>
  <hosts><host name="Editor" families="Fx" compilerOptions="-O2" arch="x86;x64"/></hosts>
  <installFiles><directory fileName="Data" dontdelete="1"><file fileName="a"/></directory>
  </installFiles>
</product>)";

} // namespace

TEST(SKUDefinitionLoading, OnlyTheFirstOfEachElementIsRead) {
    SKUDefinition d = Product(R"(<sku name="First"/><sku ID="2" name="Second"/>
        <packageId value="one"/><packageId value="two"/>
        <families><family name="A"><plugins><plugin name="P"/></plugins></family></families>
        <families><family name="B"><plugins><plugin name="P"/></plugins></family></families>
        <hosts><host name="H1"/></hosts><hosts><host name="H2"/></hosts>
        <hostsForBuild><host name="B1"/></hostsForBuild><hostsForBuild><host name="B2"/></hostsForBuild>
        <installFiles><file fileName="x"/></installFiles><installFiles><file fileName="y"/></installFiles>)");
    EXPECT_EQ(T(d.skuInfo.name) + "|" + T(d.skuInfo.id) + "|" + T(d.packageId), "First||one");
    EXPECT_EQ(T(d.familyPlugins), "{A=[P]}");
    EXPECT_EQ(T(d.hosts) + T(d.buildHosts), "[H1][B1]");
    EXPECT_EQ(Tree(d.installFiles), "{x}");
}

TEST(SKUDefinitionLoading, WithoutTopLevelProductTheDefinitionIsEmpty) {
    const std::string empty = Dump(SKUDefinition());
    EXPECT_EQ(Dump(Load(R"(<other><sku name="X"/></other>)")), empty);
    EXPECT_EQ(Dump(Load(R"(<root><product><sku name="X"/></product></root>)")), empty);
    EXPECT_EQ(Dump(Load("")), empty);
    // A second top-level product is never read; a comment before the first does not hide it.
    EXPECT_EQ(
        T(Load(R"(<!--c--><product><sku name="A"/></product><product><sku name="B"/></product>)")
              .skuInfo.name),
        "A");
}

TEST(SKUDefinitionLoading, FromFileReadsIdentityAndAMissingFileClearsAPreviousLoad) {
    const std::filesystem::path dir(MakeScratchFolder("skudef"));
    const std::string path = (dir / "sku.xml").string();
    std::ofstream(path, std::ios::binary) << kRich;

    SKUDefinition d;
    d.fromFile(QeString(path.c_str()));
    EXPECT_EQ(Dump(d), Dump(Load(kRich)));
    const SKUDefinition::SKUInfo sku = d.getSKUInfo();
    EXPECT_EQ(T(sku.id) + "|" + T(sku.name) + "|" + T(sku.build) + "|" + T(sku.prefix) + "|" +
                  T(d.packageId),
              "S1|Suite|042|QE|com.example.suite"); // build stays text: its leading zero is kept
    EXPECT_EQ(T(d.familyPlugins) + T(d.familyPluginIndices), "{Fx=[P] Gx=[Q]}{Fx={P=1} Gx={Q=2}}");
    EXPECT_EQ(T(d.familyFeaturesMasks), "{Fx=1111}");
    d.fromFile(QeString((dir / "missing.xml").string().c_str()));
    EXPECT_EQ(Dump(d), Dump(SKUDefinition()));
    std::filesystem::remove_all(dir);
}

TEST(SKUDefinitionLoading, LoadingTwiceEqualsLoadingIntoANewObject) {
    // Shares keys with the first document and lacks some of its sections, so any
    // merging or leftover state shows.
    const std::string second = R"(<product><sku name="Other"/>
        <families><family name="Fx"><plugins><plugin name="R" index="9"/></plugins></family></families>
        <hosts><host name="Editor" families="Gx"/></hosts></product>)";
    SKUDefinition d = Load(kRich);
    d.parse(QeString(second.c_str()));
    EXPECT_EQ(Dump(d), Dump(Load(second)));
    EXPECT_EQ(T(d.familyPluginIndices) + T(d.hostCompilerOptions), "{Fx={R=9}}{}");
    EXPECT_FALSE(d.installFiles.isDirectory);
}

TEST(SKUDefinitionLoading, ParseInnerLeavesTheCallersDocumentWhole) {
    // Sections that a reader emptying its own document as it goes could get
    // wrong: repeated families, nested and repeated directories, a nameless one.
    const std::string nested = R"(<product>
        <families><family name="A"><plugins><plugin name="P"/></plugins></family>
          <family name="A"><contents><content name="C"/></contents></family></families>
        <installFiles><directory fileName="D"><directory fileName="E"><file fileName="f"/>
          </directory><file fileName="g"/></directory><directory><file fileName="h"/></directory>
          <directory fileName="D"><directory fileName="E"/></directory><file fileName="i"/>
        </installFiles></product>)";
    for (const std::string& xml : {kRich, nested}) {
        TiXmlDocument document;
        document.Parse(xml.c_str());
        TiXmlPrinter before;
        document.Accept(&before);
        SKUDefinition d;
        d.parseInner(document);
        TiXmlPrinter after;
        document.Accept(&after);
        EXPECT_EQ(after.Str(), before.Str());
        EXPECT_EQ(Dump(d), Dump(Load(xml)));
    }
}

// A reference to NUL ends the C string the library offers for a value, not
// the value: each text keeps every byte, and a flag or an arch with a NUL in
// it is none of the words it starts with.
TEST(SKUDefinitionLoading, ValuesHoldingANulAreReadWhole) {
    const SKUDefinition d = Product(R"(<sku ID="I&#0;d" name="N&#0;"/>
        <families><family name="F&#0;x"><plugins><plugin name="P&#0;x" index="1"/></plugins>
          <contents><content name="C&#0;x"/></contents><contentmask name="1&#0;"/></family>
        </families><hosts><host name="H&#0;x" arch="x86&#0;;x64"/></hosts>
        <installFiles><directory fileName="d&#0;x"><file fileName="f&#0;x" dontdelete="1&#0;">
          <shortCut name="s&#0;x" dir="D&#0;x"/></file></directory></installFiles>)");
    const std::pair<std::string, std::string> cases[] = {
        {T(d.skuInfo.id) + "|" + T(d.skuInfo.name), "I\0d|N\0"s},
        {T(d.familyPlugins) + T(d.familyPluginIndices), "{F\0x=[P\0x]}{F\0x={P\0x=1}}"s},
        {T(d.familyContents) + T(d.familyContentMasks), "{F\0x=[C\0x]}{F\0x=1\0}"s},
        {T(d.hosts) + T(d.hostVariants), "[H\0x][H\0x]"s},
        {T(d.installFiles.children), "{d\0x=d\0x||10000|||{f\0x=f\0x|d\0x|00000||s\0x|D\0x{}}}"s},
    };
    for (const auto& [read, expected] : cases)
        EXPECT_EQ(read, expected);
}

TEST(SKUDefinitionLoading, ClearRestoresTheConstructedState) {
    SKUDefinition d = Load(kRich);
    d.clear();
    EXPECT_EQ(Dump(d), Dump(SKUDefinition()));
    EXPECT_EQ(Dump(d), "||||{}{}{}{}{}{}[][]{}{}[][]||00000|||{}{}");
}

TEST(SKUDefinitionFamilies, RepeatedFamiliesFollowEachMembersRule) {
    SKUDefinition d = Product(R"(<families>
        <family name="E"><contentmask name="c0"/></family>
        <family name="E"><plugins><plugin name="A" index="1"/></plugins>
          <contents><content name="C1"/></contents>
          <featuresmask name="1"/><contentmask name="c1"/><pluginsmask name="p1"/></family>
        <family name="E"><plugins><plugin name="B" index="2"/><plugin name="B" index="5"/></plugins>
          <contents><content name="C2"/></contents>
          <featuresmask name="3"/><contentmask name="c2"/><pluginsmask name="p2"/></family>
        <family name="E"><plugins><plugin index="4"/></plugins></family>
      </families>)");
    EXPECT_EQ(T(d.familyPlugins) + T(d.familyPluginIndices), "{E=[A]}{E={B=5}}");
    EXPECT_EQ(T(d.familyContents) + T(d.familyFeaturesMasks), "{E=[C1]}{E=1000}");
    EXPECT_EQ(T(d.familyContentMasks) + T(d.familyPluginsMasks), "{E=c2}{E=p2}");
}

TEST(SKUDefinitionFamilies, DuplicatePluginsAndIndexTexts) {
    SKUDefinition d = Product(R"(<families><family name="F"><plugins>
        <plugin name="P" index="3"/><plugin name="P" index="5"/>
        <plugin name="a" index="7abc"/><plugin name="b" index=" -2"/><plugin name="c" index="x1"/>
        <plugin name="d" index=""/><plugin name="e"/><plugin index="8"/>
      </plugins><plugins><plugin name="Late"/></plugins></family></families>)");
    EXPECT_EQ(T(d.familyPlugins), "{F=[P,P,a,b,c,d,e]}");
    EXPECT_EQ(T(d.familyPluginIndices), "{F={P=5 a=7 b=-2 c=0 d=0 e=0}}");
}

TEST(SKUDefinitionFamilies, IncompleteFamiliesAndMasks) {
    SKUDefinition d = Product(R"(<families>
        <family><plugins><plugin name="P"/></plugins><contentmask name="1"/></family>
        <family name=""><plugins><plugin name="Q"/></plugins></family>
        <family name="Unnamed"><plugins><plugin index="1"/></plugins><contents><content/></contents></family>
        <family name="Masks"><featuresmask name="zz"/><featuresmask name="F"/>
          <contentmask name=""/><pluginsmask/></family>
        <family name="b"/><family name="aa"><contentmask name="x"/></family>
        <family name="c"><contentmask name="y"/></family>
      </families>)");
    // The nameless family gives nothing; the empty name is a key like any other.
    EXPECT_EQ(T(d.familyPlugins) + T(d.familyPluginIndices), "{=[Q]}{={Q=0}}");
    EXPECT_EQ(T(d.familyContents), "{}");
    // A present mask attribute makes an entry even when it is empty or reads as no bits.
    EXPECT_EQ(T(d.familyFeaturesMasks), "{Masks=}");
    EXPECT_EQ(T(d.familyContentMasks) + T(d.familyPluginsMasks), "{Masks= aa=x c=y}{}");
}

TEST(SKUDefinitionHosts, ReadsVariantsFamiliesAndOptions) {
    SKUDefinition d = Product(
        R"(<hosts><host name="Editor" arch="x86;x64" families="A;B" compilerOptions="-O2"/></hosts>)");
    EXPECT_EQ(T(d.hosts) + T(d.hostVariants), "[Editor][Editor32,Editor]");
    EXPECT_EQ(T(d.hostFamilies), "{Editor32=[A,B] Editor=[A,B]}");
    EXPECT_EQ(T(d.hostCompilerOptions), "{Editor32=-O2 Editor=-O2}");
    // Without hostsForBuild the build members are copies.
    EXPECT_EQ(T(d.buildHosts) + T(d.buildHostVariants) + T(d.buildHostFamilies),
              T(d.hosts) + T(d.hostVariants) + T(d.hostFamilies));
}

TEST(SKUDefinitionHosts, ArchAndFamilyTexts) {
    SKUDefinition d = Product(R"(<hosts>
        <host name="H1" arch="X86" families="A;;B;"/><host name="H2" arch="x86; x64" families="F"/>
        <host name="H3" arch=";" families=" A ;B"/><host name="H4" families="F" compilerOptions="-g"/>
        <host name="H5" arch="arm64" families="F" compilerOptions="-g"/>
        <host families="F"/><host name="" arch=""/></hosts>)");
    EXPECT_EQ(T(d.hosts), "[H1,H2,H3,H4,H5,]");
    EXPECT_EQ(T(d.hostVariants), "[H132,H232,H3,H4,]");
    EXPECT_EQ(T(d.hostFamilies), "{H132=[A,B] H232=[F] H3=[ A ,B] H4=[F]}");
    EXPECT_EQ(T(d.hostCompilerOptions), "{H4=-g}");
}

TEST(SKUDefinitionHosts, RepeatedHostsKeepDuplicatesAndTheLastFamilies) {
    SKUDefinition d = Product(R"(<hosts><host name="Editor" families="A" compilerOptions="-a"/>
        <host name="Editor" families="C" compilerOptions="-c"/><host name="Editor"/></hosts>)");
    EXPECT_EQ(T(d.hosts) + T(d.hostVariants), "[Editor,Editor,Editor][Editor,Editor,Editor]");
    EXPECT_EQ(T(d.hostFamilies) + T(d.hostCompilerOptions), "{Editor=[C]}{Editor=-c}");
}

TEST(SKUDefinitionHosts, HostsForBuildReplacesTheCopiesAndTheOptions) {
    SKUDefinition both =
        Product(R"(<hostsForBuild><host name="B" families="G" compilerOptions="-b"/></hostsForBuild>
        <hosts><host name="H" families="F" compilerOptions="-h"/><host name="Only" compilerOptions="-o"/>
        </hosts>)");
    EXPECT_EQ(T(both.hosts) + T(both.hostVariants) + T(both.hostFamilies),
              "[H,Only][H,Only]{H=[F]}");
    EXPECT_EQ(T(both.buildHosts) + T(both.buildHostVariants) + T(both.buildHostFamilies),
              "[B][B]{B=[G]}");
    EXPECT_EQ(T(both.hostCompilerOptions), "{B=-b}");

    SKUDefinition buildOnly = Product(
        R"(<hostsForBuild><host name="B" arch="x86" compilerOptions="-b"/></hostsForBuild>)");
    EXPECT_EQ(T(buildOnly.hosts) + T(buildOnly.hostVariants) + T(buildOnly.hostFamilies), "[][]{}");
    EXPECT_EQ(T(buildOnly.buildHosts) + T(buildOnly.buildHostVariants), "[B][B32]");
    EXPECT_EQ(T(buildOnly.hostCompilerOptions), "{B32=-b}");
}

TEST(SKUDefinitionHosts, FillHostsInfoAppendsButReplacesOptions) {
    Vector<QeString> names{QeString("Old")}, variants{QeString("Old")};
    std::map<QeString, Vector<QeString>> families{{QeString("Old"), {QeString("X")}}};
    std::map<QeString, QeString> options{{QeString("Old"), QeString("-g")}};
    auto all = [&] { return T(names) + T(variants) + T(families) + T(options); };

    SKUDefinition::fillHostsInfo(nullptr, names, variants, families, options);
    EXPECT_EQ(all(), "[Old][Old]{Old=[X]}{Old=-g}");

    TiXmlDocument document;
    document.Parse(R"(<hosts><host name="New" families="A" compilerOptions="-O1"/></hosts>)",
                   nullptr, TIXML_ENCODING_UNKNOWN);
    ASSERT_NE(document.RootElement(), nullptr);
    SKUDefinition::fillHostsInfo(document.RootElement(), names, variants, families, options);
    EXPECT_EQ(all(), "[Old,New][Old,New]{New=[A] Old=[X]}{New=-O1}");

    // An element without hosts still empties the options.
    TiXmlDocument bare;
    bare.Parse("<hosts/>", nullptr, TIXML_ENCODING_UNKNOWN);
    SKUDefinition::fillHostsInfo(bare.RootElement(), names, variants, families, options);
    EXPECT_EQ(all(), "[Old,New][Old,New]{New=[A] Old=[X]}{}");
}

TEST(SKUDefinitionInstallFiles, FlagsFlowDownUnlessOverridden) {
    SKUDefinition d = Product(R"(<installFiles>
        <directory fileName="Data" dontdelete="1" allowdowngrade="1">
          <file fileName="a"/><file fileName="b" dontdelete="0" ignoreinstallerrors="1"/>
          <file fileName="c" dontdelete="00" allowdowngrade=" 1"/><file fileName="d" dontdelete="yes"/>
          <directory fileName="Keep" dontdelete="0"><file fileName="e"/></directory>
        </directory>
        <file fileName="top" dontdelete="true" allowdowngrade="1 "/></installFiles>)");
    EXPECT_EQ(Flags(At(d, {"Data"})), "101");
    EXPECT_EQ(Flags(At(d, {"Data", "a"})), "101");
    EXPECT_EQ(Flags(At(d, {"Data", "b"})), "011");
    EXPECT_EQ(Flags(At(d, {"Data", "c"})), "101"); // only "0" and "1" are understood
    EXPECT_EQ(Flags(At(d, {"Data", "d"})), "101");
    EXPECT_EQ(Flags(At(d, {"Data", "Keep"})), "001");
    EXPECT_EQ(Flags(At(d, {"Data", "Keep", "e"})), "001");
    EXPECT_EQ(Flags(At(d, {"top"})), "000");
}

TEST(SKUDefinitionInstallFiles, SameNameSiblingsLastDirectoryWinsAndFilesBeatDirectories) {
    SKUDefinition d = Product(R"(<installFiles>
        <directory fileName="D" dontdelete="1"><file fileName="one"/></directory>
        <directory fileName="D"><file fileName="two"/></directory>
        <file fileName="X" configuration="Release"/><directory fileName="X"><file fileName="in"/></directory>
        <directory fileName="Y"><file fileName="in"/></directory><file fileName="Y"/>
      </installFiles>)");
    EXPECT_EQ(Tree(d.installFiles), "{D{two} X Y}");
    EXPECT_EQ(Flags(At(d, {"D"})), "000");
    EXPECT_FALSE(At(d, {"X"}).isDirectory);
    EXPECT_FALSE(At(d, {"Y"}).isDirectory);
    EXPECT_EQ(T(At(d, {"X"}).configuration), "Release");
}

TEST(SKUDefinitionInstallFiles, NamelessEntriesAreDroppedWithTheirSubtree) {
    SKUDefinition d = Product(R"(<installFiles>
        <directory><file fileName="lost"/><directory fileName="alsoLost"/></directory>
        <directory fileName=""><file fileName="lost2"/></directory>
        <file/><file fileName=""/><file fileName="kept"/></installFiles>)");
    EXPECT_EQ(Tree(d.installFiles), "{kept}");
}

TEST(SKUDefinitionInstallFiles, ArchConfigurationAndShortcutsAreNotInherited) {
    SKUDefinition d = Product(R"(<installFiles>
        <directory fileName="Lib" arch="x86" configuration="Debug">
          <shortCut name="ignored" dir="x"/><file fileName="plain"/>
          <file fileName="big" arch="X86"/><file fileName="wide" arch="x64"/>
          <file fileName="link" configuration="Release"><shortCut name="Tool"/><shortCut name="Second" dir="d"/></file>
        </directory></installFiles>)");
    const FileNode& lib = At(d, {"Lib"});
    EXPECT_EQ(lib.isX86, 1);
    EXPECT_TRUE(lib.configuration.IsEmpty() && lib.shortcutName.IsEmpty());
    EXPECT_EQ(T(At(d, {"Lib", "plain"})), "plain|Lib|00000|||{}");
    EXPECT_EQ(T(At(d, {"Lib", "big"})), "big|Lib|01000|||{}");
    EXPECT_EQ(T(At(d, {"Lib", "wide"})), "wide|Lib|00000|||{}");
    EXPECT_EQ(T(At(d, {"Lib", "link"})), "link|Lib|00000|Release|Tool|{}");
}

TEST(SKUDefinitionInstallFiles, ParentDirectoryIsTheNameAndChildrenAreInKeyOrder) {
    SKUDefinition d = Product(R"(<installFiles><directory fileName="Data">
        <directory fileName="Sub"><file fileName="deep"/></directory>
        <file fileName="b"/><file fileName="aa"/><file fileName="c"/><file fileName="x/y"/>
      </directory><file fileName="top"/></installFiles>)");
    EXPECT_EQ(Tree(d.installFiles), "{Data{Sub{deep} x/y aa b c} top}");
    EXPECT_EQ(T(At(d, {"Data"}).parentDirectory) + T(At(d, {"top"}).parentDirectory), "");
    EXPECT_EQ(T(At(d, {"Data", "Sub"}).parentDirectory), "Data");
    EXPECT_EQ(T(At(d, {"Data", "x/y"}).parentDirectory), "Data");
    EXPECT_EQ(T(At(d, {"Data", "Sub", "deep"}).parentDirectory), "Sub");
    EXPECT_TRUE(At(d, {"Data", "Sub"}).isDirectory);
}

TEST(SKUDefinitionInstallFiles, RootIsADirectoryOnlyWhenInstallFilesExists) {
    EXPECT_EQ(T(Product(R"(<sku name="A"/>)").installFiles), "||00000|||{}");
    EXPECT_EQ(T(Product("<installFiles/>").installFiles), "||10000|||{}");
}
