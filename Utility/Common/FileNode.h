// FileNode: one entry of a product's install-files tree.
#ifndef QE_FILENODE_H
#define QE_FILENODE_H

#include "QeString.h"

#include <map>
#include <utility>
#include <vector>

/// A directory or file to install, with the entries inside it. Copying,
/// assigning and destroying walk the tree without recursion, so a tree of any
/// depth is safe to hold.
class FileNode {
public:
    /// The entry's file name as written; empty for the root.
    QeString name;
    /// True for a directory and for a root that was read.
    bool isDirectory = false;
    /// The entries inside this one, keyed by name.
    std::map<QeString, FileNode> children;
    /// The file name of the enclosing directory (not a path); empty at the top.
    QeString parentDirectory;
    /// 1 when the entry is for the x86 architecture, else 0.
    int isX86 = 0;
    /// A file's build configuration; empty for directories.
    QeString configuration;
    bool dontDelete = false;
    bool ignoreInstallErrors = false;
    bool allowDowngrade = false;
    /// A file's shortcut: its name and the directory it goes in.
    QeString shortcutName;
    QeString shortcutDir;

    FileNode() = default;
    /// A deep copy.
    FileNode(const FileNode& other) : FileNode(CopyWithoutChildren(other)) {
        CopyChildren(other.children, children);
    }
    FileNode(FileNode&& other) noexcept = default;
    /// Replaces every member by a deep copy of the other's; self-assignment
    /// changes nothing.
    FileNode& operator=(const FileNode& other) {
        if (this != &other)
            *this = FileNode(other);
        return *this;
    }
    FileNode& operator=(FileNode&& other) noexcept {
        if (this == &other)
            return *this;
        // The old children go last: `other` may be one of them.
        Children discarded;
        discarded.swap(children);
        MoveMembers(std::move(other));
        ReleaseTree(discarded);
        return *this;
    }
    ~FileNode() { ReleaseTree(children); }

private:
    using Children = std::map<QeString, FileNode>;

    static FileNode CopyWithoutChildren(const FileNode& other) {
        FileNode copy;
        copy.name = other.name;
        copy.isDirectory = other.isDirectory;
        copy.parentDirectory = other.parentDirectory;
        copy.isX86 = other.isX86;
        copy.configuration = other.configuration;
        copy.dontDelete = other.dontDelete;
        copy.ignoreInstallErrors = other.ignoreInstallErrors;
        copy.allowDowngrade = other.allowDowngrade;
        copy.shortcutName = other.shortcutName;
        copy.shortcutDir = other.shortcutDir;
        return copy;
    }

    void MoveMembers(FileNode&& other) {
        name = std::move(other.name);
        isDirectory = other.isDirectory;
        children = std::move(other.children);
        parentDirectory = std::move(other.parentDirectory);
        isX86 = other.isX86;
        configuration = std::move(other.configuration);
        dontDelete = other.dontDelete;
        ignoreInstallErrors = other.ignoreInstallErrors;
        allowDowngrade = other.allowDowngrade;
        shortcutName = std::move(other.shortcutName);
        shortcutDir = std::move(other.shortcutDir);
    }

    // Copies level by level with a work list instead of the call stack.
    static void CopyChildren(const Children& source, Children& target) {
        std::vector<std::pair<const Children*, Children*>> pending{{&source, &target}};
        while (!pending.empty()) {
            const auto [from, to] = pending.back();
            pending.pop_back();
            for (const auto& entry : *from) {
                FileNode& copy =
                    to->emplace_hint(to->end(), entry.first, CopyWithoutChildren(entry.second))
                        ->second;
                if (!entry.second.children.empty())
                    pending.emplace_back(&entry.second.children, &copy.children);
            }
        }
    }

    // Detaches every level's children before freeing it, so each node is
    // destroyed with no children left and the destructor never recurses deeply.
    static void ReleaseTree(Children& children) {
        if (children.empty())
            return;
        std::vector<Children> pending;
        pending.push_back(std::move(children));
        children.clear();
        while (!pending.empty()) {
            Children level = std::move(pending.back());
            pending.pop_back();
            for (auto& entry : level) {
                if (!entry.second.children.empty())
                    pending.push_back(std::move(entry.second.children));
                entry.second.children.clear();
            }
        }
    }
};

#endif
