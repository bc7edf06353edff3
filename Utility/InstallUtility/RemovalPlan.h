// RemovalPlan: what an uninstall does, worked out from the product definition
// and its targets alone, before the disk is looked at.
//
// For each host target, the install-files tree in order: a `file` entry is
// one item to remove; a `directory` entry is entered, its entries planned,
// then left and removed if empty; an entry marked dontDelete is kept, and so
// is every folder above it. Then the shortcuts, each a link in a named target.
//
//   <file fileName="A.plugin"/> under host target /P gives
//     Target /P, RemoveItem /P/A.plugin
//   <directory fileName="D"><file fileName="x" dontdelete="1"/></directory> gives
//     Target /P, Enter /P/D, Keep /P/D/x, Leave /P/D (kept: holds a kept entry)
//
// An action holds its own name and the place of the folder it is in, not its
// path: a tree nested a thousand deep would otherwise hold each of its paths
// whole, gigabytes for a definition of a few megabytes. PathOf puts a path
// together when it is reported.
#ifndef QE_REMOVALPLAN_H
#define QE_REMOVALPLAN_H

#include "SKUDefinition.h"
#include "TargetsFile.h"

#include <cstddef>
#include <string>
#include <vector>

class RemovalPlan {
public:
    /// No action: the `parent` of an action not inside a host target's tree.
    static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

    struct Action {
        enum class Kind {
            /// Open the host target folder `folder`; what follows up to the
            /// next Target or RemoveShortcut happens inside it.
            Target,
            /// Enter the container `name` of the current folder.
            Enter,
            /// Go back up from the container `name`, then remove it if it is
            /// empty, unless `why` says why it is kept whatever it holds.
            Leave,
            /// Remove the item `name` of the current folder, whole.
            RemoveItem,
            /// Remove the link `name` in the named target folder `folder`,
            /// only when it is a symbolic link.
            RemoveShortcut,
            /// Leave the entry `name` as it is, for the reason `why`.
            Keep,
            /// Do nothing about `name`, for the reason `why`.
            Skip,
        };
        Kind kind;
        /// The entry's own name (for Skip, what is reported); empty for Target.
        std::string name;
        std::string why;
        /// Target's own path; for an entry outside the trees (a shortcut, or
        /// a shortcut's refused name) the path of the named target it is in.
        std::string folder;
        /// The index of the Target or Enter action whose folder holds the
        /// entry, or kNoParent.
        std::size_t parent = kNoParent;
        /// A failure of this action does not make the uninstall fail.
        bool ignoreErrors = false;

        bool operator==(const Action& other) const;
    };

    /// In order; Enter and Leave come in pairs around a container's entries.
    std::vector<Action> actions;

    /// The path of the entry of `actions[index]` as reported: its target's
    /// path and its names. Empty for a Skip.
    std::string PathOf(std::size_t index) const;
    /// Why `actions[index]` keeps or skips its entry as reported: `why`, and
    /// for a name refused in a folder, that folder's path.
    std::string WhyOf(std::size_t index) const;

    /// The plan for `definition`'s install files under `targets`. A host
    /// target whose host is not one of the definition's host variants is
    /// skipped, and so is an entry whose name is empty, "." or ".." or holds
    /// a "/" or a NUL (with everything below it), and a shortcut whose folder
    /// is no named target. The tree is walked without recursion, however deep.
    static RemovalPlan Make(const SKUDefinition& definition, const TargetsFile& targets);

private:
    /// The path of the folder that holds the entry of `actions[index]`.
    std::string FolderOf(std::size_t index) const;
};

#endif
