#include "SKUDefinition.h"
#include "XMLParser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string S(const QeString& text) { return std::string(text.ConstData(), text.Size()); }

std::vector<std::string> L(const std::vector<QeString>& list) {
    std::vector<std::string> out;
    for (const QeString& item : list)
        out.push_back(S(item));
    return out;
}

template <class Map> std::vector<std::string> Keys(const Map& map) {
    std::vector<std::string> out;
    for (const auto& entry : map)
        out.push_back(S(entry.first));
    return out;
}

using Strings = std::vector<std::string>;

void DumpNode(const FileNode& node, std::ostringstream& out) {
    out << "{" << S(node.name) << "|" << node.isDirectory << "|" << S(node.parentDirectory) << "|"
        << node.isX86 << "|" << S(node.configuration) << "|" << node.dontDelete
        << node.ignoreInstallErrors << node.allowDowngrade << "|" << S(node.shortcutName) << "|"
        << S(node.shortcutDir);
    for (const auto& child : node.children) {
        out << " " << S(child.first) << "=";
        DumpNode(child.second, out);
    }
    out << "}";
}

// Every member in one text, so two definitions can be compared as a whole.
std::string Dump(const SKUDefinition& d) {
    std::ostringstream out;
    auto list = [&](const Vector<QeString>& items) {
        out << "[";
        for (const QeString& item : items)
            out << S(item) << ",";
        out << "]";
    };
    auto lists = [&](const std::map<QeString, Vector<QeString>>& map) {
        for (const auto& entry : map) {
            out << S(entry.first) << ":";
            list(entry.second);
        }
        out << ";";
    };
    auto texts = [&](const std::map<QeString, QeString>& map) {
        for (const auto& entry : map)
            out << S(entry.first) << "=" << S(entry.second) << ",";
        out << ";";
    };
    out << S(d.skuInfo.id) << "|" << S(d.skuInfo.name) << "|" << S(d.skuInfo.build) << "|"
        << S(d.skuInfo.prefix) << "|" << S(d.packageId) << "|";
    lists(d.familyPlugins);
    for (const auto& family : d.familyPluginIndices) {
        out << S(family.first) << ":";
        for (const auto& plugin : family.second)
            out << S(plugin.first) << "=" << plugin.second << ",";
    }
    out << ";";
    lists(d.familyContents);
    texts(d.familyContentMasks);
    texts(d.familyPluginsMasks);
    lists(d.hostFamilies);
    list(d.hosts);
    list(d.hostVariants);
    texts(d.hostCompilerOptions);
    lists(d.buildHostFamilies);
    list(d.buildHosts);
    list(d.buildHostVariants);
    for (const auto& family : d.familyFeaturesMasks) {
        out << S(family.first) << ":";
        for (bool bit : family.second.bits)
            out << bit;
    }
    out << ";";
    DumpNode(d.installFiles, out);
    return out.str();
}

SKUDefinition Load(const std::string& xml) {
    SKUDefinition definition;
    definition.parse(QeString(xml.c_str(), xml.size()));
    return definition;
}

SKUDefinition Product(const std::string& body) { return Load("<product>" + body + "</product>"); }

const std::string kRich = R"(<?xml version="1.0"?>
<product>
  <sku ID="S1" name="Suite" build="042" prefix="QE"/>
  <packageId value="com.example.suite"/>
  <families>
    <family name="Fx">
      <plugins><plugin name="P" index="1"/></plugins>
      <contents><content name="C"/></contents>
      <featuresmask name="F"/><contentmask name="3"/><pluginsmask name="7"/>
    </family>
    <family name="Gx"><plugins><plugin name="Q" index="2"/></plugins></family>
  </families>
  <hosts><host name="Editor" families="Fx" compilerOptions="-O2" arch="x86;x64"/></hosts>
  <installFiles><directory fileName="Data" dontdelete="1"><file fileName="a"/></directory>
  </installFiles>
</product>)";

} // namespace

TEST(SKUDefinitionLoading, ReadsIdentityAndPackageId) {
    SKUDefinition d = Load(kRich);
    EXPECT_EQ(S(d.skuInfo.id), "S1");
    EXPECT_EQ(S(d.skuInfo.name), "Suite");
    EXPECT_EQ(S(d.skuInfo.build), "042"); // kept as text, leading zero included
    EXPECT_EQ(S(d.skuInfo.prefix), "QE");
    EXPECT_EQ(S(d.packageId), "com.example.suite");
    EXPECT_EQ(S(d.getSKUInfo().name), "Suite");
    EXPECT_EQ(S(d.getSKUInfo().id), "S1");
}

TEST(SKUDefinitionLoading, OnlyTheFirstOfEachElementIsRead) {
    SKUDefinition d = Product(R"(<sku name="First"/><sku ID="2" name="Second"/>
        <packageId value="one"/><packageId value="two"/>
        <families><family name="A"><plugins><plugin name="P"/></plugins></family></families>
        <families><family name="B"><plugins><plugin name="P"/></plugins></family></families>
        <hosts><host name="H1"/></hosts><hosts><host name="H2"/></hosts>
        <hostsForBuild><host name="B1"/></hostsForBuild><hostsForBuild><host name="B2"/></hostsForBuild>
        <installFiles><file fileName="x"/></installFiles><installFiles><file fileName="y"/></installFiles>)");
    EXPECT_EQ(S(d.skuInfo.name), "First");
    EXPECT_EQ(S(d.skuInfo.id), "");
    EXPECT_EQ(S(d.packageId), "one");
    EXPECT_EQ(Keys(d.familyPlugins), Strings({"A"}));
    EXPECT_EQ(L(d.hosts), Strings({"H1"}));
    EXPECT_EQ(L(d.buildHosts), Strings({"B1"}));
    EXPECT_EQ(Keys(d.installFiles.children), Strings({"x"}));
}

TEST(SKUDefinitionLoading, WithoutTopLevelProductTheDefinitionIsEmpty) {
    const std::string empty = Dump(SKUDefinition());
    EXPECT_EQ(Dump(Load(R"(<other><sku name="X"/></other>)")), empty);
    EXPECT_EQ(Dump(Load(R"(<root><product><sku name="X"/></product></root>)")), empty);
    EXPECT_EQ(Dump(Load("")), empty);

    // A second top-level product is never read; leading comments do not hide the first.
    SKUDefinition d =
        Load(R"(<!-- c --><product><sku name="A"/></product><product><sku name="B"/></product>)");
    EXPECT_EQ(S(d.skuInfo.name), "A");
}

TEST(SKUDefinitionLoading, EmptyAndMissingAttributesLeaveMembersEmpty) {
    SKUDefinition d = Product(R"(<sku ID="" name="" prefix="QE"/><packageId/>)");
    EXPECT_TRUE(d.skuInfo.id.IsEmpty());
    EXPECT_TRUE(d.skuInfo.name.IsEmpty());
    EXPECT_TRUE(d.skuInfo.build.IsEmpty());
    EXPECT_EQ(S(d.skuInfo.prefix), "QE");
    EXPECT_TRUE(d.packageId.IsEmpty());
}

TEST(SKUDefinitionLoading, FromFileReadsTheFileAndAMissingFileClearsAPreviousLoad) {
    char pattern[] = "/tmp/skudef-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir(pattern);
    const std::string path = (dir / "sku.xml").string();
    std::ofstream(path, std::ios::binary) << kRich;

    SKUDefinition d;
    d.fromFile(QeString(path.c_str()));
    EXPECT_EQ(Dump(d), Dump(Load(kRich)));
    EXPECT_EQ(S(d.packageId), "com.example.suite");

    d.fromFile(QeString((dir / "missing.xml").string().c_str()));
    EXPECT_EQ(Dump(d), Dump(SKUDefinition()));
    EXPECT_TRUE(d.packageId.IsEmpty());
    std::filesystem::remove_all(dir);
}

TEST(SKUDefinitionLoading, LoadingTwiceEqualsLoadingIntoANewObject) {
    // The second document shares keys with the first and lacks some sections, so
    // any merging or leftover state shows up.
    const std::string second = R"(<product><sku name="Other"/>
        <families><family name="Fx"><plugins><plugin name="R" index="9"/></plugins></family></families>
        <hosts><host name="Editor" families="Gx"/></hosts></product>)";
    SKUDefinition d = Load(kRich);
    d.parse(QeString(second.c_str()));
    EXPECT_EQ(Dump(d), Dump(Load(second)));
    EXPECT_FALSE(d.installFiles.isDirectory);
    EXPECT_TRUE(d.hostCompilerOptions.empty());
    EXPECT_TRUE(d.familyFeaturesMasks.empty());
}

TEST(SKUDefinitionLoading, ClearRestoresTheConstructedState) {
    SKUDefinition d = Load(kRich);
    ASSERT_TRUE(d.installFiles.isDirectory);
    d.clear();
    EXPECT_EQ(Dump(d), Dump(SKUDefinition()));
    EXPECT_TRUE(d.skuInfo.name.IsEmpty());
    EXPECT_TRUE(d.familyPlugins.empty());
    EXPECT_TRUE(d.hosts.empty());
    EXPECT_TRUE(d.buildHostVariants.empty());
    EXPECT_FALSE(d.installFiles.isDirectory);
    EXPECT_TRUE(d.installFiles.children.empty());
    EXPECT_FALSE(d.installFiles.dontDelete);
}

TEST(SKUDefinitionFamilies, ReadsPluginsContentsAndMasks) {
    SKUDefinition d = Load(kRich);
    EXPECT_EQ(Keys(d.familyPlugins), Strings({"Fx", "Gx"}));
    EXPECT_EQ(L(d.familyPlugins[QeString("Fx")]), Strings({"P"}));
    EXPECT_EQ(d.familyPluginIndices[QeString("Gx")][QeString("Q")], 2);
    EXPECT_EQ(L(d.familyContents[QeString("Fx")]), Strings({"C"}));
    EXPECT_EQ(Keys(d.familyContents), Strings({"Fx"}));
    EXPECT_EQ(S(d.familyContentMasks[QeString("Fx")]), "3");
    EXPECT_EQ(S(d.familyPluginsMasks[QeString("Fx")]), "7");
    EXPECT_EQ(d.familyFeaturesMasks[QeString("Fx")].bits, std::vector<bool>(4, true));
}

TEST(SKUDefinitionFamilies, RepeatedNamesKeepListsAndIndexMapsByTheirOwnRules) {
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
    const QeString e("E");
    EXPECT_EQ(L(d.familyPlugins[e]), Strings({"A"}));
    ASSERT_EQ(Keys(d.familyPluginIndices[e]), Strings({"B"}));
    EXPECT_EQ(d.familyPluginIndices[e][QeString("B")], 5);
    EXPECT_EQ(L(d.familyContents[e]), Strings({"C1"}));
    EXPECT_EQ(d.familyFeaturesMasks[e].bits, std::vector<bool>({true, false, false, false}));
    EXPECT_EQ(S(d.familyContentMasks[e]), "c2");
    EXPECT_EQ(S(d.familyPluginsMasks[e]), "p2");
}

TEST(SKUDefinitionFamilies, DuplicatePluginsAndIndexTexts) {
    SKUDefinition d = Product(R"(<families><family name="F"><plugins>
        <plugin name="P" index="3"/><plugin name="P" index="5"/>
        <plugin name="a" index="7abc"/><plugin name="b" index=" -2"/><plugin name="c" index="x1"/>
        <plugin name="d" index=""/><plugin name="e"/><plugin index="8"/>
      </plugins><plugins><plugin name="Late"/></plugins></family></families>)");
    const QeString f("F");
    EXPECT_EQ(L(d.familyPlugins[f]), Strings({"P", "P", "a", "b", "c", "d", "e"}));
    std::map<QeString, int>& indices = d.familyPluginIndices[f];
    EXPECT_EQ(indices.size(), 6u);
    EXPECT_EQ(indices[QeString("P")], 5);
    EXPECT_EQ(indices[QeString("a")], 7);
    EXPECT_EQ(indices[QeString("b")], -2);
    EXPECT_EQ(indices[QeString("c")], 0);
    EXPECT_EQ(indices[QeString("d")], 0);
    EXPECT_EQ(indices[QeString("e")], 0);
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
    EXPECT_EQ(Keys(d.familyPlugins), Strings({""}));
    EXPECT_EQ(Keys(d.familyPluginIndices), Strings({""}));
    EXPECT_TRUE(d.familyContents.empty());
    // A present mask attribute makes an entry even when it reads as no bits or is empty.
    ASSERT_EQ(Keys(d.familyFeaturesMasks), Strings({"Masks"}));
    EXPECT_TRUE(d.familyFeaturesMasks[QeString("Masks")].bits.empty());
    EXPECT_EQ(Keys(d.familyContentMasks), Strings({"Masks", "aa", "c"}));
    EXPECT_TRUE(d.familyContentMasks[QeString("Masks")].IsEmpty());
    EXPECT_TRUE(d.familyPluginsMasks.empty());
}

TEST(SKUDefinitionHosts, ReadsVariantsFamiliesAndOptions) {
    SKUDefinition d =
        Product(R"(<hosts><host name="Editor" arch="x86;x64" families="A;B" compilerOptions="-O2"/>
        </hosts>)");
    EXPECT_EQ(L(d.hosts), Strings({"Editor"}));
    EXPECT_EQ(L(d.hostVariants), Strings({"Editor32", "Editor"}));
    EXPECT_EQ(Keys(d.hostFamilies), Strings({"Editor32", "Editor"}));
    EXPECT_EQ(L(d.hostFamilies[QeString("Editor")]), Strings({"A", "B"}));
    EXPECT_EQ(L(d.hostFamilies[QeString("Editor32")]), Strings({"A", "B"}));
    EXPECT_EQ(S(d.hostCompilerOptions[QeString("Editor")]), "-O2");
    EXPECT_EQ(S(d.hostCompilerOptions[QeString("Editor32")]), "-O2");
    // Without hostsForBuild the build members are copies.
    EXPECT_EQ(L(d.buildHosts), L(d.hosts));
    EXPECT_EQ(L(d.buildHostVariants), L(d.hostVariants));
    EXPECT_EQ(Keys(d.buildHostFamilies), Keys(d.hostFamilies));
    EXPECT_EQ(L(d.buildHostFamilies[QeString("Editor32")]), Strings({"A", "B"}));
}

TEST(SKUDefinitionHosts, ArchAndFamilyTexts) {
    SKUDefinition d = Product(R"(<hosts>
        <host name="H1" arch="X86" families="A;;B;"/><host name="H2" arch="x86; x64" families="F"/>
        <host name="H3" arch=";" families=" A ;B"/><host name="H4" families="F" compilerOptions="-g"/>
        <host name="H5" arch="arm64" families="F" compilerOptions="-g"/>
        <host families="F"/><host name="" arch=""/></hosts>)");
    EXPECT_EQ(L(d.hosts), Strings({"H1", "H2", "H3", "H4", "H5", ""}));
    EXPECT_EQ(L(d.hostVariants), Strings({"H132", "H232", "H3", "H4", ""}));
    EXPECT_EQ(Keys(d.hostFamilies), Strings({"H132", "H232", "H3", "H4"}));
    EXPECT_EQ(L(d.hostFamilies[QeString("H132")]), Strings({"A", "B"}));
    EXPECT_EQ(L(d.hostFamilies[QeString("H3")]), Strings({" A ", "B"}));
    EXPECT_EQ(Keys(d.hostCompilerOptions), Strings({"H4"}));
}

TEST(SKUDefinitionHosts, RepeatedHostsKeepDuplicatesAndTheLastFamilies) {
    SKUDefinition d = Product(R"(<hosts><host name="Editor" families="A" compilerOptions="-a"/>
        <host name="Editor" families="C" compilerOptions="-c"/><host name="Editor"/></hosts>)");
    EXPECT_EQ(L(d.hosts), Strings({"Editor", "Editor", "Editor"}));
    EXPECT_EQ(L(d.hostVariants), Strings({"Editor", "Editor", "Editor"}));
    EXPECT_EQ(L(d.hostFamilies[QeString("Editor")]), Strings({"C"}));
    EXPECT_EQ(S(d.hostCompilerOptions[QeString("Editor")]), "-c");
}

TEST(SKUDefinitionHosts, HostsForBuildReplacesTheCopiesAndTheOptions) {
    SKUDefinition both =
        Product(R"(<hostsForBuild><host name="B" families="G" compilerOptions="-b"/></hostsForBuild>
        <hosts><host name="H" families="F" compilerOptions="-h"/><host name="Only" compilerOptions="-o"/>
        </hosts>)");
    EXPECT_EQ(L(both.hosts), Strings({"H", "Only"}));
    EXPECT_EQ(Keys(both.hostFamilies), Strings({"H"}));
    EXPECT_EQ(L(both.buildHosts), Strings({"B"}));
    EXPECT_EQ(L(both.buildHostVariants), Strings({"B"}));
    EXPECT_EQ(L(both.buildHostFamilies[QeString("B")]), Strings({"G"}));
    EXPECT_EQ(Keys(both.buildHostFamilies), Strings({"B"}));
    EXPECT_EQ(Keys(both.hostCompilerOptions), Strings({"B"}));

    SKUDefinition buildOnly =
        Product(R"(<hostsForBuild><host name="B" arch="x86" compilerOptions="-b"/></hostsForBuild>)");
    EXPECT_TRUE(buildOnly.hosts.empty());
    EXPECT_TRUE(buildOnly.hostVariants.empty());
    EXPECT_TRUE(buildOnly.hostFamilies.empty());
    EXPECT_EQ(L(buildOnly.buildHostVariants), Strings({"B32"}));
    EXPECT_EQ(S(buildOnly.hostCompilerOptions[QeString("B32")]), "-b");
}

TEST(SKUDefinitionHosts, FillHostsInfoAppendsButReplacesOptions) {
    Vector<QeString> names, variants;
    std::map<QeString, Vector<QeString>> families;
    std::map<QeString, QeString> options;
    names.add("Old");
    variants.add("Old");
    families[QeString("Old")].add("X");
    options[QeString("Old")] = QeString("-g");

    SKUDefinition::fillHostsInfo(nullptr, names, variants, families, options);
    EXPECT_EQ(L(names), Strings({"Old"}));
    EXPECT_EQ(L(variants), Strings({"Old"}));
    EXPECT_EQ(Keys(families), Strings({"Old"}));
    EXPECT_EQ(Keys(options), Strings({"Old"}));

    TiXmlDocument document;
    document.Parse(R"(<hosts><host name="New" families="A" compilerOptions="-O1"/></hosts>)",
                   nullptr, TIXML_ENCODING_UNKNOWN);
    ASSERT_NE(document.RootElement(), nullptr);
    SKUDefinition::fillHostsInfo(document.RootElement(), names, variants, families, options);
    EXPECT_EQ(L(names), Strings({"Old", "New"}));
    EXPECT_EQ(L(variants), Strings({"Old", "New"}));
    EXPECT_EQ(Keys(families), Strings({"New", "Old"}));
    EXPECT_EQ(L(families[QeString("Old")]), Strings({"X"}));
    EXPECT_EQ(Keys(options), Strings({"New"}));
    EXPECT_EQ(S(options[QeString("New")]), "-O1");

    // Even an element without hosts empties the options.
    TiXmlDocument bare;
    bare.Parse("<hosts/>", nullptr, TIXML_ENCODING_UNKNOWN);
    SKUDefinition::fillHostsInfo(bare.RootElement(), names, variants, families, options);
    EXPECT_TRUE(options.empty());
    EXPECT_EQ(names.size(), 2u);
}

TEST(SKUDefinitionInstallFiles, FlagsFlowDownUnlessOverridden) {
    SKUDefinition d = Product(R"(<installFiles>
        <directory fileName="Data" dontdelete="1" allowdowngrade="1">
          <file fileName="a"/><file fileName="b" dontdelete="0" ignoreinstallerrors="1"/>
          <file fileName="c" dontdelete="00" allowdowngrade=" 1"/><file fileName="d" dontdelete="yes"/>
          <directory fileName="Keep" dontdelete="0"><file fileName="e"/></directory>
        </directory>
        <file fileName="top" dontdelete="true" allowdowngrade="1 "/></installFiles>)");
    const FileNode& data = d.installFiles.children.at(QeString("Data"));
    auto flags = [](const FileNode& n) {
        return std::to_string(n.dontDelete) + std::to_string(n.ignoreInstallErrors) +
               std::to_string(n.allowDowngrade);
    };
    EXPECT_EQ(flags(data), "101");
    EXPECT_EQ(flags(data.children.at(QeString("a"))), "101");
    EXPECT_EQ(flags(data.children.at(QeString("b"))), "011");
    EXPECT_EQ(flags(data.children.at(QeString("c"))), "101");
    EXPECT_EQ(flags(data.children.at(QeString("d"))), "101");
    const FileNode& keep = data.children.at(QeString("Keep"));
    EXPECT_EQ(flags(keep), "001");
    EXPECT_EQ(flags(keep.children.at(QeString("e"))), "001");
    EXPECT_EQ(flags(d.installFiles.children.at(QeString("top"))), "000");
}

TEST(SKUDefinitionInstallFiles, SameNameSiblingsLastDirectoryWinsAndFilesBeatDirectories) {
    SKUDefinition d = Product(R"(<installFiles>
        <directory fileName="D" dontdelete="1"><file fileName="one"/></directory>
        <directory fileName="D"><file fileName="two"/></directory>
        <file fileName="X" configuration="Release"/><directory fileName="X"><file fileName="in"/></directory>
        <directory fileName="Y"><file fileName="in"/></directory><file fileName="Y"/>
      </installFiles>)");
    const FileNode& dir = d.installFiles.children.at(QeString("D"));
    EXPECT_EQ(Keys(dir.children), Strings({"two"}));
    EXPECT_FALSE(dir.dontDelete);
    for (const char* name : {"X", "Y"}) {
        const FileNode& file = d.installFiles.children.at(QeString(name));
        EXPECT_FALSE(file.isDirectory) << name;
        EXPECT_TRUE(file.children.empty()) << name;
    }
    EXPECT_EQ(S(d.installFiles.children.at(QeString("X")).configuration), "Release");
}

TEST(SKUDefinitionInstallFiles, NamelessEntriesAreDroppedWithTheirSubtree) {
    SKUDefinition d = Product(R"(<installFiles>
        <directory><file fileName="lost"/><directory fileName="alsoLost"/></directory>
        <directory fileName=""><file fileName="lost2"/></directory>
        <file/><file fileName=""/><file fileName="kept"/></installFiles>)");
    EXPECT_EQ(Keys(d.installFiles.children), Strings({"kept"}));
}

TEST(SKUDefinitionInstallFiles, ArchConfigurationAndShortcutsAreNotInherited) {
    SKUDefinition d = Product(R"(<installFiles>
        <directory fileName="Lib" arch="x86" configuration="Debug">
          <shortCut name="ignored" dir="x"/><file fileName="plain"/>
          <file fileName="big" arch="X86"/><file fileName="wide" arch="x64"/>
          <file fileName="link" configuration="Release"><shortCut name="Tool"/><shortCut name="Second" dir="d"/></file>
        </directory></installFiles>)");
    const FileNode& lib = d.installFiles.children.at(QeString("Lib"));
    EXPECT_EQ(lib.isX86, 1);
    EXPECT_TRUE(lib.configuration.IsEmpty());
    EXPECT_TRUE(lib.shortcutName.IsEmpty());
    const FileNode& plain = lib.children.at(QeString("plain"));
    EXPECT_EQ(plain.isX86, 0);
    EXPECT_TRUE(plain.configuration.IsEmpty());
    EXPECT_EQ(lib.children.at(QeString("big")).isX86, 1);
    EXPECT_EQ(lib.children.at(QeString("wide")).isX86, 0);
    const FileNode& link = lib.children.at(QeString("link"));
    EXPECT_EQ(S(link.configuration), "Release");
    EXPECT_EQ(S(link.shortcutName), "Tool");
    EXPECT_TRUE(link.shortcutDir.IsEmpty());
}

TEST(SKUDefinitionInstallFiles, ParentDirectoryIsTheNameAndChildrenAreInKeyOrder) {
    SKUDefinition d = Product(R"(<installFiles><directory fileName="Data">
        <directory fileName="Sub"><file fileName="deep"/></directory>
        <file fileName="b"/><file fileName="aa"/><file fileName="c"/><file fileName="x/y"/>
      </directory><file fileName="top"/></installFiles>)");
    const FileNode& root = d.installFiles;
    EXPECT_TRUE(root.isDirectory);
    EXPECT_TRUE(root.name.IsEmpty());
    const FileNode& data = root.children.at(QeString("Data"));
    EXPECT_TRUE(data.isDirectory);
    EXPECT_TRUE(data.parentDirectory.IsEmpty());
    EXPECT_TRUE(root.children.at(QeString("top")).parentDirectory.IsEmpty());
    EXPECT_EQ(Keys(data.children), Strings({"Sub", "x/y", "aa", "b", "c"}));
    const FileNode& sub = data.children.at(QeString("Sub"));
    EXPECT_EQ(S(sub.name), "Sub");
    EXPECT_EQ(S(sub.parentDirectory), "Data");
    EXPECT_EQ(S(sub.children.at(QeString("deep")).parentDirectory), "Sub");
    EXPECT_EQ(S(data.children.at(QeString("x/y")).parentDirectory), "Data");
}

TEST(SKUDefinitionInstallFiles, RootIsADirectoryOnlyWhenInstallFilesExists) {
    SKUDefinition without = Product(R"(<sku name="A"/>)");
    EXPECT_FALSE(without.installFiles.isDirectory);
    EXPECT_TRUE(without.installFiles.children.empty());
    SKUDefinition empty = Product("<installFiles/>");
    EXPECT_TRUE(empty.installFiles.isDirectory);
    EXPECT_TRUE(empty.installFiles.children.empty());
    EXPECT_FALSE(empty.installFiles.dontDelete);
    EXPECT_EQ(empty.installFiles.isX86, 0);
}
