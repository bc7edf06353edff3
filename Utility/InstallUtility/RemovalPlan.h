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
#ifndef QE_REMOVALPLAN_H
#define QE_REMOVALPLAN_H

#include "SKUDefinition.h"
#include "TargetsFile.h"

#include <string>
#include <vector>

class RemovalPlan {
public:
    struct Action {
        enum class Kind {
            /// Open the host target folder `path`; what follows up to the
            /// next Target or RemoveShortcut happens inside it.
            Target,
            /// Enter the container `name` (at `path`) of the current folder.
            Enter,
            /// Go back up from the container `name`, then remove it if it is
            /// empty, unless `why` says why it is kept whatever it holds.
            Leave,
            /// Remove the item `name` of the current folder, whole.
            RemoveItem,
            /// Remove the link `name` in the named target folder `folder`,
            /// only when it is a symbolic link.
            RemoveShortcut,
            /// Leave `path` as it is, for the reason `why`.
            Keep,
            /// Do nothing about `name`, for the reason `why`.
            Skip,
        };
        Kind kind;
        /// The entry's path as reported: its target's path and its names.
        std::string path;
        /// The entry's own name (for Skip, what is reported).
        std::string name;
        std::string why;
        /// RemoveShortcut's folder: the path of its named target.
        std::string folder;
        /// A failure of this action does not make the uninstall fail.
        bool ignoreErrors = false;

        bool operator==(const Action& other) const;
    };

    /// In order; Enter and Leave come in pairs around a container's entries.
    std::vector<Action> actions;

    /// The plan for `definition`'s install files under `targets`. A host
    /// target whose host is not one of the definition's host variants is
    /// skipped, and so is an entry whose name is empty, "." or ".." or holds
    /// a "/" (with everything below it), and a shortcut whose folder is no
    /// named target. The tree is walked without recursion, however deep.
    static RemovalPlan Make(const SKUDefinition& definition, const TargetsFile& targets);
};

#endif
