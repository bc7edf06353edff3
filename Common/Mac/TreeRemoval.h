// TreeRemoval: removing entries relative to open folder descriptors.
//
// Nothing is reached by a path once a target folder is open: each entry is
// looked at and removed relative to its folder's descriptor, a link is never
// followed (it is removed as a link), and a folder on another file system or
// mount is never entered. So a folder swapped for a link while a removal runs
// cannot lead it anywhere else. However deep a tree, a removal holds at most
// kMaxOpenFolders descriptors; it climbs back through ".." and goes on only
// when it finds the very folder it came from.
//
//   Descriptor target;
//   if (TreeRemoval::OpenTargetFolder("/Applications/Qe/Plug-ins", target).status ==
//       TreeRemoval::Status::Done)
//       TreeRemoval::RemoveItemAt(target.Get(), "Blur.plugin");  // the bundle, whole
#ifndef QE_TREEREMOVAL_H
#define QE_TREEREMOVAL_H

#include "Descriptor.h"
#include "FolderIdentity.h"
#include "FolderTrust.h"

#include <cstddef>
#include <set>
#include <string>
#include <vector>

class TreeRemoval {
public:
    /// What became of an entry: removed (or, when checking, would be), not
    /// there, left in place on purpose, or not removed because of an error.
    enum class Status { Done, Absent, Kept, Failed };
    struct Result {
        Status status;
        /// Why it was kept or failed; empty otherwise.
        std::string reason;
    };
    /// Whether an operation changes the disk or only says what it would do.
    enum class Mode { Remove, Check };

    /// Descriptors a removal or a chain of folders keeps open at most.
    static constexpr std::size_t kMaxOpenFolders = 16;
    /// A chain of folders, each opened inside the one before it, never
    /// through a link and never onto another file system or mount.
    class Folders {
    public:
        /// Starts at the folder open as `first`; folders are entered only
        /// where `trust` takes them as safe.
        explicit Folders(Descriptor first,
                         const FolderTrust& trust = FolderTrust::ForThisProcess());
        /// Opens folder `name` in the current one and makes it current: Done;
        /// Absent; Kept when it is a link or no folder; Failed when it is on
        /// another file system, someone untrusted may change what it holds
        /// (they may have renamed another user's entries in there), it is
        /// someone untrusted's in a folder every user may write to, or it
        /// cannot be opened.
        Result Enter(const std::string& name);
        /// Done when the entry `name` of the current folder may be touched:
        /// always, but in a folder every user may write to only when it is
        /// root's or the trusted user's (Failed); Absent when not there.
        Result Guarded(const std::string& name) const;
        /// Makes the enclosing folder current again. Failed when it is no
        /// longer the folder that was entered from (it was moved); the chain
        /// is then at its end and must not be used again.
        Result Leave();
        /// The current folder's descriptor.
        int Current() const { return levels.back().folder.Get(); }
        /// How many folders were entered below the first.
        std::size_t Depth() const { return levels.size() - 1; }

    private:
        /// Device, inode, mount, and mode, owner and group read with them.
        using Identity = FolderIdentity;
        struct Level {
            Descriptor folder;
            Identity identity;
        };
        void CloseOldestIfOverBudget();

        const FolderTrust& trust;
        std::vector<Level> levels;
        // Levels below this one have their descriptors closed.
        std::size_t firstOpen = 0;
    };

    /// Opens the folder at the absolute `path` into `folder`, as
    /// TrustedPath::OpenFolder does: no link anyone but root could have
    /// placed is followed, and the folder and every folder above it must be
    /// safe by `trust`. Absent when the folder is not there; Failed, with
    /// why, otherwise.
    static Result OpenTargetFolder(const std::string& path, Descriptor& folder,
                                   const FolderTrust& trust = FolderTrust::ForThisProcess());

    /// Removes the entry `name` of the folder open as `parent`, whole: a file
    /// or a link (never followed), or a folder with everything in it. Failed,
    /// with the first entry that failed and why, when anything stayed; the
    /// rest is removed all the same. In Check mode nothing changes and only
    /// the entry itself is looked at: Done when it is there. In a folder
    /// every user may write to, an entry someone untrusted owns is Failed
    /// and not touched (so with the folders below it).
    static Result RemoveItemAt(int parent, const std::string& name, Mode mode = Mode::Remove,
                               const FolderTrust& trust = FolderTrust::ForThisProcess());
    /// Removes the folder `name` of `parent` only when it is empty: Kept when
    /// it is not empty or no folder. In Check mode nothing changes, and it
    /// counts as empty when every entry it holds is among `goingAway`.
    static Result RemoveEmptyFolderAt(int parent, const std::string& name, Mode mode = Mode::Remove,
                                      const std::set<std::string>& goingAway = {},
                                      const FolderTrust& trust = FolderTrust::ForThisProcess());
    /// Removes the entry `name` of `parent` only when it is a symbolic link:
    /// Kept when it is anything else. In Check mode nothing changes.
    static Result RemoveLinkAt(int parent, const std::string& name, Mode mode = Mode::Remove,
                               const FolderTrust& trust = FolderTrust::ForThisProcess());
};

#endif
