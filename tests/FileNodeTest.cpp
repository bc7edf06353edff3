#include "FileNode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string S(const QeString& text) { return std::string(text.ConstData(), text.Size()); }

// root -> Data -> a, with every member of the grandchild set.
FileNode MakeTree() {
    FileNode root;
    root.isDirectory = true;
    FileNode& data = root.children[QeString("Data")];
    data.name = QeString("Data");
    data.isDirectory = true;
    data.dontDelete = true;
    FileNode& leaf = data.children[QeString("a")];
    leaf.name = QeString("a");
    leaf.parentDirectory = QeString("Data");
    leaf.isX86 = 1;
    leaf.configuration = QeString("Release");
    leaf.ignoreInstallErrors = true;
    leaf.allowDowngrade = true;
    leaf.shortcutName = QeString("Tool");
    leaf.shortcutDir = QeString("Apps");
    return root;
}

const FileNode& Leaf(const FileNode& root) {
    return root.children.at(QeString("Data")).children.at(QeString("a"));
}

// Builds a chain of `depth` nodes below the root without recursion.
void BuildChain(FileNode& root, int depth) {
    FileNode* node = &root;
    for (int i = 0; i < depth; ++i) {
        node = &node->children[QeString("n")];
        node->name = QeString(std::to_string(i).c_str());
    }
}

// Depth of a single-child chain and the name of its last node.
std::pair<int, std::string> ChainEnd(const FileNode& root) {
    const FileNode* node = &root;
    int depth = 0;
    while (!node->children.empty()) {
        node = &node->children.begin()->second;
        ++depth;
    }
    return {depth, S(node->name)};
}

} // namespace

TEST(FileNodeLifecycle, ConstructedEmpty) {
    FileNode node;
    EXPECT_TRUE(node.name.IsEmpty());
    EXPECT_FALSE(node.isDirectory);
    EXPECT_TRUE(node.children.empty());
    EXPECT_EQ(node.isX86, 0);
    EXPECT_FALSE(node.dontDelete || node.ignoreInstallErrors || node.allowDowngrade);
}

TEST(FileNodeLifecycle, CopyIsDeep) {
    FileNode original = MakeTree();
    FileNode copy(original);
    const FileNode& leaf = Leaf(copy);
    EXPECT_EQ(S(leaf.name), "a");
    EXPECT_EQ(S(leaf.parentDirectory), "Data");
    EXPECT_EQ(leaf.isX86, 1);
    EXPECT_EQ(S(leaf.configuration), "Release");
    EXPECT_FALSE(leaf.dontDelete);
    EXPECT_TRUE(leaf.ignoreInstallErrors && leaf.allowDowngrade);
    EXPECT_EQ(S(leaf.shortcutName), "Tool");
    EXPECT_EQ(S(leaf.shortcutDir), "Apps");
    EXPECT_TRUE(copy.children.at(QeString("Data")).dontDelete);

    FileNode& changed = copy.children[QeString("Data")].children[QeString("a")];
    changed.name = QeString("changed");
    changed.children[QeString("new")].name = QeString("new");
    EXPECT_EQ(S(Leaf(original).name), "a");
    EXPECT_TRUE(Leaf(original).children.empty());
}

TEST(FileNodeLifecycle, AssignmentReplacesChildren) {
    FileNode source = MakeTree();
    FileNode target;
    target.name = QeString("old");
    target.children[QeString("x")].children[QeString("y")];
    target.children[QeString("z")];
    target = source;
    ASSERT_EQ(target.children.size(), 1u);
    EXPECT_TRUE(target.name.IsEmpty());
    EXPECT_TRUE(target.isDirectory);
    EXPECT_EQ(S(Leaf(target).configuration), "Release");

    target.children[QeString("Data")].children[QeString("a")].configuration = QeString("Debug");
    EXPECT_EQ(S(Leaf(source).configuration), "Release");
}

TEST(FileNodeLifecycle, SelfAssignmentChangesNothing) {
    FileNode node = MakeTree();
    const FileNode& alias = node;
    node = alias;
    EXPECT_TRUE(node.isDirectory);
    EXPECT_EQ(S(Leaf(node).shortcutName), "Tool");
    EXPECT_EQ(S(Leaf(node).parentDirectory), "Data");
}

TEST(FileNodeLifecycle, VeryDeepChainsAreCopiedAssignedAndDestroyed) {
    const int depth = 100000;
    FileNode root;
    BuildChain(root, depth);
    const std::pair<int, std::string> end{depth, std::to_string(depth - 1)};

    FileNode copy(root);
    EXPECT_EQ(ChainEnd(copy), end);

    FileNode assigned;
    BuildChain(assigned, 10);
    assigned = root;
    EXPECT_EQ(ChainEnd(assigned), end);

    // Replacing a deep tree by a shallow one frees the deep one.
    assigned = FileNode();
    EXPECT_TRUE(assigned.children.empty());
    copy = MakeTree();
    EXPECT_EQ(S(Leaf(copy).name), "a");
    EXPECT_EQ(ChainEnd(root), end);
}
