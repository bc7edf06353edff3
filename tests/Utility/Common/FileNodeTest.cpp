#include "FileNode.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every member, children included.
std::string Describe(const FileNode& node) {
    std::string out = Text(node.name) + "|" + Text(node.parentDirectory) + "|" +
                      std::to_string(node.isDirectory) + std::to_string(node.isX86) +
                      std::to_string(node.dontDelete) + std::to_string(node.ignoreInstallErrors) +
                      std::to_string(node.allowDowngrade) + "|" + Text(node.configuration) + "|" +
                      Text(node.shortcutName) + "|" + Text(node.shortcutDir) + "{";
    for (const auto& child : node.children)
        out += Text(child.first) + "=" + Describe(child.second);
    return out + "}";
}

const char kTree[] = "||10000|||{Data=Data||11100|||{a=a|Data|00011|Release|Tool|Apps{}}}";

// root -> Data -> a
FileNode MakeTree() {
    FileNode root;
    root.isDirectory = true;
    FileNode& data = root.children[QeString("Data")];
    data.name = QeString("Data");
    data.isDirectory = true;
    data.isX86 = 1;
    data.dontDelete = true;
    FileNode& leaf = data.children[QeString("a")];
    leaf.name = QeString("a");
    leaf.parentDirectory = QeString("Data");
    leaf.configuration = QeString("Release");
    leaf.ignoreInstallErrors = leaf.allowDowngrade = true;
    leaf.shortcutName = QeString("Tool");
    leaf.shortcutDir = QeString("Apps");
    return root;
}

FileNode& Leaf(FileNode& root) {
    return root.children[QeString("Data")].children[QeString("a")];
}

// A chain of `depth` nodes below the root, built without recursion.
void BuildChain(FileNode& root, int depth) {
    FileNode* node = &root;
    for (int i = 0; i < depth; ++i) {
        node = &node->children[QeString("n")];
        node->name = QeString(std::to_string(i).c_str());
    }
}

// The depth of a single-child chain and the name at its end.
std::string ChainEnd(const FileNode& root) {
    const FileNode* node = &root;
    int depth = 0;
    for (; !node->children.empty(); ++depth)
        node = &node->children.begin()->second;
    return std::to_string(depth) + ":" + Text(node->name);
}

} // namespace

TEST(FileNodeLifecycle, CopyIsDeep) {
    FileNode original = MakeTree();
    FileNode copy(original);
    EXPECT_EQ(Describe(copy), kTree);

    Leaf(copy).name = QeString("changed");
    Leaf(copy).children[QeString("new")];
    EXPECT_EQ(Describe(original), kTree);
}

TEST(FileNodeLifecycle, AssignmentReplacesEverythingAndSelfAssignmentNothing) {
    FileNode source = MakeTree();
    FileNode target;
    target.name = QeString("old");
    target.children[QeString("x")].children[QeString("y")];
    target.children[QeString("Data")].children[QeString("b")];
    target = source;
    EXPECT_EQ(Describe(target), kTree);

    Leaf(target).configuration = QeString("Debug");
    EXPECT_EQ(Describe(source), kTree);

    const FileNode& alias = source;
    source = alias;
    EXPECT_EQ(Describe(source), kTree);
}

TEST(FileNodeLifecycle, VeryDeepChainsAreCopiedAssignedAndDestroyed) {
    const int depth = 100000;
    const std::string end = std::to_string(depth) + ":" + std::to_string(depth - 1);
    FileNode root;
    BuildChain(root, depth);

    FileNode copy(root);
    EXPECT_EQ(ChainEnd(copy), end);
    FileNode assigned;
    BuildChain(assigned, 10);
    assigned = root;
    EXPECT_EQ(ChainEnd(assigned), end);

    // Replacing deep trees frees them; the original is untouched throughout.
    assigned = FileNode();
    copy = MakeTree();
    EXPECT_EQ(ChainEnd(assigned), "0:");
    EXPECT_EQ(Describe(copy), kTree);
    EXPECT_EQ(ChainEnd(root), end);
}
