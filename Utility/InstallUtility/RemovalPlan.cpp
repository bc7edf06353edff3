#include "RemovalPlan.h"

#include "FileLibrary.h"

#include <algorithm>
#include <set>

namespace {

using Action = RemovalPlan::Action;
using Kind = Action::Kind;

const char kMarked[] = "marked dontDelete";
const char kHoldsKept[] = "holds an entry that is kept";

std::string Text(const QeString& text) {
    return std::string(text.ConstData(), text.Size());
}

// A target's path as reports show it: without trailing separators.
std::string FolderPath(const QeString& path) {
    std::string folder = Text(path);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string PathBelow(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

std::string NotAnEntryName(const std::string& folder) {
    return "not the name of one entry, in " + (folder.empty() ? "the install files" : folder);
}

// Walks an install-files tree in order without recursion. The visitor gets
// each well-named entry with its path below `folder`; badly named ones are
// given to BadName, with nothing below them visited. Leave learns whether the
// visitor kept anything below the container, and says whether it keeps the
// container itself.
template <class Visitor>
void WalkTree(const FileNode& root, const std::string& folder, Visitor& visitor) {
    struct Level {
        const FileNode* node;
        std::map<QeString, FileNode>::const_iterator next;
        std::string path;
        bool holdsKept;
    };
    std::vector<Level> levels{{&root, root.children.begin(), folder, /*holdsKept=*/false}};
    while (true) {
        Level& level = levels.back();
        if (level.next == level.node->children.end()) {
            const Level done = levels.back();
            levels.pop_back();
            if (levels.empty())
                return;
            if (visitor.Leave(*done.node, done.path, done.holdsKept))
                levels.back().holdsKept = true;
            continue;
        }
        const FileNode& entry = (level.next++)->second;
        const std::string name = Text(entry.name);
        if (!FileLibrary::IsEntryName(name)) {
            visitor.BadName(name, NotAnEntryName(level.path));
        } else if (!entry.isDirectory) {
            if (visitor.File(entry, PathBelow(level.path, name)))
                level.holdsKept = true;
        } else {
            const std::string path = PathBelow(level.path, name);
            visitor.Enter(entry, path);
            levels.push_back({&entry, entry.children.begin(), path, /*holdsKept=*/false});
        }
    }
}

// Appends one action at a time.
class Actions {
public:
    explicit Actions(std::vector<Action>& list) : list(list) {}

    void Skip(const std::string& name, const std::string& why) {
        list.push_back({Kind::Skip, "", name, why, "", /*ignoreErrors=*/false});
    }

protected:
    std::vector<Action>& list;
};

// The items and containers of one host target.
class TreeActions : public Actions {
public:
    using Actions::Actions;

    void BadName(const std::string& name, const std::string& why) { Skip(name, why); }
    void Enter(const FileNode& entry, const std::string& path) {
        list.push_back({Kind::Enter, path, Text(entry.name), "", "", entry.ignoreInstallErrors});
    }
    bool Leave(const FileNode& entry, const std::string& path, bool holdsKept) {
        const std::string why = entry.dontDelete ? kMarked : holdsKept ? kHoldsKept : "";
        list.push_back({Kind::Leave, path, Text(entry.name), why, "", entry.ignoreInstallErrors});
        return !why.empty();
    }
    bool File(const FileNode& entry, const std::string& path) {
        if (entry.dontDelete)
            list.push_back(
                {Kind::Keep, path, Text(entry.name), kMarked, "", /*ignoreErrors=*/false});
        else
            list.push_back(
                {Kind::RemoveItem, path, Text(entry.name), "", "", entry.ignoreInstallErrors});
        return entry.dontDelete;
    }
};

// The shortcuts of the whole tree, each once.
class ShortcutActions : public Actions {
public:
    ShortcutActions(std::vector<Action>& list, const TargetsFile& targets)
        : Actions(list), targets(targets) {}

    // Entries are reported by the host targets' walks.
    void BadName(const std::string&, const std::string&) {}
    void Enter(const FileNode&, const std::string&) {}
    bool Leave(const FileNode&, const std::string&, bool) { return false; }
    bool File(const FileNode& entry, const std::string&) {
        if (entry.shortcutName.IsEmpty() && entry.shortcutDir.IsEmpty())
            return false;
        const std::string name = Text(entry.shortcutName);
        const TargetsFile::Target* target = targets.namedTarget(entry.shortcutDir);
        if (target == nullptr) {
            Skip(name, "a shortcut whose folder \"" + Text(entry.shortcutDir) +
                           "\" is not a named target");
            return false;
        }
        const std::string folder = FolderPath(target->path);
        if (!FileLibrary::IsEntryName(name)) {
            Skip(name, NotAnEntryName(folder));
            return false;
        }
        const std::string path = PathBelow(folder, name);
        if (!planned.insert(path).second)
            return false;
        if (entry.dontDelete)
            list.push_back({Kind::Keep, path, name, kMarked, "", /*ignoreErrors=*/false});
        else
            list.push_back(
                {Kind::RemoveShortcut, path, name, "", folder, entry.ignoreInstallErrors});
        return false;
    }

private:
    const TargetsFile& targets;
    std::set<std::string> planned;
};

bool IsHostVariant(const SKUDefinition& definition, const QeString& host) {
    return std::find(definition.hostVariants.begin(), definition.hostVariants.end(), host) !=
           definition.hostVariants.end();
}

} // namespace

bool RemovalPlan::Action::operator==(const Action& other) const {
    return kind == other.kind && path == other.path && name == other.name && why == other.why &&
           folder == other.folder && ignoreErrors == other.ignoreErrors;
}

RemovalPlan RemovalPlan::Make(const SKUDefinition& definition, const TargetsFile& targets) {
    RemovalPlan plan;
    TreeActions tree(plan.actions);
    for (const TargetsFile::Target& target : targets.targets) {
        if (target.host.IsEmpty())
            continue;
        if (!IsHostVariant(definition, target.host)) {
            tree.Skip(Text(target.host), "not a host variant of the product");
            continue;
        }
        const std::string folder = FolderPath(target.path);
        plan.actions.push_back({Kind::Target, folder, "", "", "", /*ignoreErrors=*/false});
        WalkTree(definition.installFiles, folder, tree);
    }
    ShortcutActions shortcuts(plan.actions, targets);
    WalkTree(definition.installFiles, "", shortcuts);
    return plan;
}
