#include "RemovalPlan.h"

#include "PathLibrary.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Action = RemovalPlan::Action;
using Kind = Action::Kind;
constexpr std::size_t kNoParent = RemovalPlan::kNoParent;

const char kMarked[] = "marked dontDelete";
const char kHoldsKept[] = "holds an entry that is kept";
const char kNotAnEntryName[] = "not the name of one entry";

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

// Walks an install-files tree in order without recursion. The visitor gets
// each well-named entry with the index of the action of the folder it is in
// (`folder` for the top); Enter gives the index that the container's own
// entries are then in. Badly named ones are given to BadName, with nothing
// below them visited. Leave learns whether the visitor kept anything below
// the container, and says whether it keeps the container itself.
template <class Visitor> void WalkTree(const FileNode& root, std::size_t folder, Visitor& visitor) {
    struct Level {
        const FileNode* node;
        std::map<QeString, FileNode>::const_iterator next;
        std::size_t parent;
        std::size_t folder;
        bool holdsKept;
    };
    std::vector<Level> levels{{&root, root.children.begin(), kNoParent, folder, false}};
    while (true) {
        Level& level = levels.back();
        if (level.next == level.node->children.end()) {
            const Level done = levels.back();
            levels.pop_back();
            if (levels.empty())
                return;
            if (visitor.Leave(*done.node, done.parent, done.holdsKept))
                levels.back().holdsKept = true;
            continue;
        }
        const FileNode& entry = (level.next++)->second;
        if (!PathLibrary::IsEntryName(Text(entry.name))) {
            visitor.BadName(entry, level.folder);
        } else if (!entry.isDirectory) {
            if (visitor.File(entry, level.folder))
                level.holdsKept = true;
        } else {
            const std::size_t container = visitor.Enter(entry, level.folder);
            levels.push_back({&entry, entry.children.begin(), level.folder, container, false});
        }
    }
}

// Appends one action at a time.
class Actions {
public:
    explicit Actions(std::vector<Action>& list) : list(list) {}

    void Skip(const std::string& name, const std::string& why) {
        list.push_back({Kind::Skip, name, why, "", kNoParent, /*ignoreErrors=*/false});
    }

protected:
    std::size_t Add(Action action) {
        list.push_back(std::move(action));
        return list.size() - 1;
    }

    std::vector<Action>& list;
};

// The items and containers of one host target.
class TreeActions : public Actions {
public:
    using Actions::Actions;

    std::size_t Target(const std::string& folder) {
        return Add({Kind::Target, "", "", folder, kNoParent, /*ignoreErrors=*/false});
    }
    void BadName(const FileNode& entry, std::size_t folder) {
        Add({Kind::Skip, Text(entry.name), kNotAnEntryName, "", folder, /*ignoreErrors=*/false});
    }
    std::size_t Enter(const FileNode& entry, std::size_t folder) {
        return Add({Kind::Enter, Text(entry.name), "", "", folder, entry.ignoreInstallErrors});
    }
    bool Leave(const FileNode& entry, std::size_t folder, bool holdsKept) {
        const std::string why = entry.dontDelete ? kMarked : holdsKept ? kHoldsKept : "";
        Add({Kind::Leave, Text(entry.name), why, "", folder, entry.ignoreInstallErrors});
        return !why.empty();
    }
    bool File(const FileNode& entry, std::size_t folder) {
        if (entry.dontDelete)
            Add({Kind::Keep, Text(entry.name), kMarked, "", folder, /*ignoreErrors=*/false});
        else
            Add({Kind::RemoveItem, Text(entry.name), "", "", folder, entry.ignoreInstallErrors});
        return entry.dontDelete;
    }
};

// The shortcuts of the whole tree, each once.
class ShortcutActions : public Actions {
public:
    ShortcutActions(std::vector<Action>& list, const TargetsFile& targets)
        : Actions(list), targets(targets) {}

    // Entries are reported by the host targets' walks.
    void BadName(const FileNode&, std::size_t) {}
    std::size_t Enter(const FileNode&, std::size_t) { return kNoParent; }
    bool Leave(const FileNode&, std::size_t, bool) { return false; }
    bool File(const FileNode& entry, std::size_t) {
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
        if (!PathLibrary::IsEntryName(name)) {
            Add({Kind::Skip, name, kNotAnEntryName, folder, kNoParent, /*ignoreErrors=*/false});
            return false;
        }
        if (!planned.insert(folder + "/" + name).second)
            return false;
        if (entry.dontDelete)
            Add({Kind::Keep, name, kMarked, folder, kNoParent, /*ignoreErrors=*/false});
        else
            Add({Kind::RemoveShortcut, name, "", folder, kNoParent, entry.ignoreInstallErrors});
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
    return kind == other.kind && name == other.name && why == other.why && folder == other.folder &&
           parent == other.parent && ignoreErrors == other.ignoreErrors;
}

std::string RemovalPlan::PathOf(std::size_t index) const {
    const Action& action = actions[index];
    if (action.kind == Kind::Skip)
        return std::string();
    if (action.kind == Kind::Target)
        return action.folder;
    std::string path = FolderOf(index);
    path.append(1, '/').append(action.name);
    return path;
}

std::string RemovalPlan::WhyOf(std::size_t index) const {
    const Action& action = actions[index];
    const bool refusedInFolder =
        action.kind == Kind::Skip && (action.parent != kNoParent || !action.folder.empty());
    return refusedInFolder ? action.why + ", in " + FolderOf(index) : action.why;
}

// Up the parents to the target, then the names down again into one string.
std::string RemovalPlan::FolderOf(std::size_t index) const {
    std::size_t at = actions[index].parent;
    if (at == kNoParent)
        return actions[index].folder;
    std::vector<const std::string*> names;
    std::size_t length = 0;
    for (; actions[at].parent != kNoParent; at = actions[at].parent) {
        names.push_back(&actions[at].name);
        length += 1 + names.back()->size();
    }
    std::string path;
    path.reserve(actions[at].folder.size() + length);
    path = actions[at].folder;
    for (auto name = names.rbegin(); name != names.rend(); ++name)
        path.append(1, '/').append(**name);
    return path;
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
        WalkTree(definition.installFiles, tree.Target(FolderPath(target.path)), tree);
    }
    ShortcutActions shortcuts(plan.actions, targets);
    WalkTree(definition.installFiles, kNoParent, shortcuts);
    return plan;
}
