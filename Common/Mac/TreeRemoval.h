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
    /// Symbolic links followed at most while opening a target folder.
    static constexpr int kMaxLinks = 40;

    /// A chain of folders, each opened inside the one before it, never
    /// through a link and never onto another file system or mount.
    class Folders {
    public:
        /// Starts at the folder open as `first`.
        explicit Folders(Descriptor first);
        /// Opens folder `name` in the current one and makes it current: Done;
        /// Absent; Kept when it is a link or no folder; Failed when it is on
        /// another file system, every user may write to it (anyone may have
        /// renamed another user's entries in there), or it cannot be opened.
        Result Enter(const std::string& name);
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
        static bool IdentityOf(int folder, Identity& identity);
        void CloseOldestIfOverBudget();

        std::vector<Level> levels;
        // Levels below this one have their descriptors closed.
        std::size_t firstOpen = 0;
    };

    /// Opens the folder at the absolute `path` into `folder`. Each component
    /// is opened without following links, except a link that only root can
    /// have made and placed (owned by root, below folders that root owns and
    /// only root may write to, as /tmp on macOS): a link anyone else could
    /// swap or move there, or reach by moving a folder, is refused.
    /// Absent when the folder is not there; Failed for a path that is not
    /// absolute, a refused link, something that is no folder, or a folder
    /// every user may write to, whose entries may be anyone's.
    static Result OpenTargetFolder(const std::string& path, Descriptor& folder);

    /// Removes the entry `name` of the folder open as `parent`, whole: a file
    /// or a link (never followed), or a folder with everything in it. Failed,
    /// with the first entry that failed and why, when anything stayed; the
    /// rest is removed all the same. In Check mode nothing changes and only
    /// the entry itself is looked at: Done when it is there.
    static Result RemoveItemAt(int parent, const std::string& name, Mode mode = Mode::Remove);
    /// Removes the folder `name` of `parent` only when it is empty: Kept when
    /// it is not empty or no folder. In Check mode nothing changes, and it
    /// counts as empty when every entry it holds is among `goingAway`.
    static Result RemoveEmptyFolderAt(int parent, const std::string& name, Mode mode = Mode::Remove,
                                      const std::set<std::string>& goingAway = {});
    /// Removes the entry `name` of `parent` only when it is a symbolic link:
    /// Kept when it is anything else. In Check mode nothing changes.
    static Result RemoveLinkAt(int parent, const std::string& name, Mode mode = Mode::Remove);
};

#endif
