#include "SKUDefinition.h"
#include "TestSupport.h"
#include "XMLLimits.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>

namespace {

// Every member's size added up, so any leftover entry shows.
void ExpectEmpty(const SKUDefinition& d) {
    const SKUDefinition::SKUInfo& sku = d.skuInfo;
    EXPECT_EQ(sku.id.Size() + sku.name.Size() + sku.build.Size() + sku.prefix.Size() +
                  d.packageId.Size() + d.familyPlugins.size() + d.familyPluginIndices.size() +
                  d.familyContents.size() + d.familyContentMasks.size() +
                  d.familyPluginsMasks.size() + d.hostFamilies.size() + d.hosts.size() +
                  d.hostVariants.size() + d.hostCompilerOptions.size() +
                  d.buildHostFamilies.size() + d.buildHosts.size() + d.buildHostVariants.size() +
                  d.installFiles.children.size() + d.familyFeaturesMasks.size(),
              0u);
    EXPECT_FALSE(d.installFiles.isDirectory);
}

const char kValid[] = R"(<product><sku ID="1" name="Loaded"/><packageId value="p"/>
  <hosts><host name="H"/></hosts><installFiles><file fileName="f"/></installFiles></product>)";

class SKUDefinitionBadInput : public ::testing::Test {
protected:
    void SetUp() override { dir = MakeScratchFolder("skubad"); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    QeString Write(const std::string& content) {
        const std::string path = (dir / "sku.xml").string();
        std::ofstream(path, std::ios::binary) << content;
        return QeString(path.c_str());
    }

    // Loads a valid document first, so a bad load has something to clear.
    SKUDefinition LoadAfterValid(const QeString& path) {
        SKUDefinition d;
        d.parse(QeString(kValid));
        EXPECT_EQ(Text(d.skuInfo.name), "Loaded");
        d.fromFile(path);
        return d;
    }

    std::filesystem::path dir;
};

} // namespace

TEST_F(SKUDefinitionBadInput, TruncatedFileKeepsWhatCameBeforeTheCut) {
    const std::string whole = R"(<product><sku ID="2" name="Cut"/><packageId value="q"/>
        <hosts><host name="H"/></hosts><installFiles><file fileName="f"/></installFiles></product>)";
    SKUDefinition d = LoadAfterValid(Write(whole.substr(0, whole.find("<host ") + 9)));
    EXPECT_EQ(Text(d.skuInfo.name), "Cut");
    EXPECT_EQ(Text(d.skuInfo.id), "2");
    EXPECT_EQ(Text(d.packageId), "q");
    EXPECT_TRUE(d.installFiles.children.empty());
}

TEST_F(SKUDefinitionBadInput, TextThatIsNotXmlGivesAnEmptyDefinition) {
    ExpectEmpty(LoadAfterValid(Write("product sku name=\"Loaded\" & <<< >>> ]]>\n")));
    SKUDefinition d;
    d.parse(QeString(kValid));
    d.parse(QeString("just words, no markup"));
    ExpectEmpty(d);
}

TEST_F(SKUDefinitionBadInput, BinaryFileGivesAnEmptyDefinition) {
    std::mt19937 random(12345);
    std::string bytes(64 * 1024, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    ASSERT_NE(bytes.find('\0'), std::string::npos);
    ExpectEmpty(LoadAfterValid(Write(bytes)));

    // Garbage after a readable start: the start is kept.
    SKUDefinition d = LoadAfterValid(Write("<product><sku name=\"Bin\"/>" + bytes));
    EXPECT_EQ(Text(d.skuInfo.name), "Bin");
    EXPECT_TRUE(d.packageId.IsEmpty());
}

TEST_F(SKUDefinitionBadInput, EmptyFileGivesAnEmptyDefinition) {
    ExpectEmpty(LoadAfterValid(Write("")));
}

TEST_F(SKUDefinitionBadInput, DirectoryPathGivesAnEmptyDefinition) {
    ExpectEmpty(LoadAfterValid(QeString(dir.string().c_str())));
    std::filesystem::create_directory(dir / "sku.xml");
    ExpectEmpty(LoadAfterValid(QeString((dir / "sku.xml").string().c_str())));
}

TEST_F(SKUDefinitionBadInput, HugeAttributeIsStoredWhole) {
    std::string name(5 * 1024 * 1024, 'a');
    for (std::size_t i = 0; i < name.size(); ++i)
        name[i] = static_cast<char>('a' + i % 26);
    SKUDefinition d;
    d.fromFile(Write("<product><sku name=\"" + name + "\"/></product>"));
    ASSERT_EQ(d.skuInfo.name.Size(), name.size());
    EXPECT_TRUE(Text(d.skuInfo.name) == name);
}

TEST_F(SKUDefinitionBadInput, DeeplyNestedDirectoriesAreReadWhole) {
    // As deep as the reader goes: product and installFiles take two levels.
    const int depth = static_cast<int>(XMLLimits::kMaxDepth) - 2;
    std::string xml = "<product><installFiles>";
    for (int i = 0; i < depth; ++i)
        xml += "<directory fileName=\"d" + std::to_string(i) + "\">";
    for (int i = 0; i < depth; ++i)
        xml += "</directory>";
    xml += "</installFiles></product>";
    SKUDefinition d;
    d.parse(QeString(xml.c_str(), xml.size()));
    const FileNode* node = &d.installFiles;
    std::string parent;
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(node->children.size(), 1u) << "level " << i;
        node = &node->children.begin()->second;
        const std::string name = "d" + std::to_string(i);
        ASSERT_EQ(Text(node->name), name);
        ASSERT_TRUE(node->isDirectory);
        ASSERT_EQ(Text(node->parentDirectory), parent) << "level " << i;
        parent = name;
    }
    EXPECT_TRUE(node->children.empty());
}

TEST_F(SKUDefinitionBadInput, TextPastANodeLimitIsRefusedAndSaysWhich) {
    std::string many = R"(<product><sku name="Many"/>)";
    for (unsigned long i = 0; i < XMLLimits::kMaxNodes; ++i)
        many += "<a/>";
    const std::pair<std::string, XMLLimits::Cut> cases[] = {
        {many + "</product>", XMLLimits::Cut::Nodes},
        {kValid, XMLLimits::Cut::None},
    };
    for (const auto& [text, expected] : cases) {
        SKUDefinition d;
        d.parse(QeString(kValid));
        XMLLimits::Cut cut = XMLLimits::Cut::Depth;
        d.fromFile(Write(text), &cut);
        EXPECT_EQ(cut, expected);
        EXPECT_EQ(Text(d.skuInfo.name), expected == XMLLimits::Cut::None ? "Loaded" : "");
    }
}

TEST_F(SKUDefinitionBadInput, NestingPastTheLimitIsReadUpToIt) {
    // Deep enough to exhaust the stack of a parser that recursed all the way.
    const int depth = 100000;
    std::string xml = "<product><sku name=\"Deep\"/><installFiles>";
    for (int i = 0; i < depth; ++i)
        xml += "<directory fileName=\"d\">";
    SKUDefinition fromText;
    fromText.parse(QeString(xml.c_str(), xml.size()));
    SKUDefinition fromFile = LoadAfterValid(Write(xml));
    for (const SKUDefinition* d : {&fromText, &fromFile}) {
        EXPECT_EQ(Text(d->skuInfo.name), "Deep");
        unsigned long levels = 0;
        for (const FileNode* node = &d->installFiles; !node->children.empty(); ++levels)
            node = &node->children.begin()->second;
        // product and installFiles take two of the levels
        EXPECT_EQ(levels, XMLLimits::kMaxDepth - 2);
    }
}
