// FolderChain: a chain of folders, each opened inside the one before it,
// never through a link and never onto another file system or mount.
//
// However deep the chain, it holds at most kMaxOpenFolders descriptors; it
// climbs back through ".." and goes on only when it finds the very folder it
// came from.
//
//   FolderChain chain(std::move(target));
//   if (chain.Enter("Plug-ins").status == EntryResult::Status::Done)
//       ...;  // chain.Current() is the folder Plug-ins
#ifndef QE_FOLDERCHAIN_H
#define QE_FOLDERCHAIN_H

#include "Descriptor.h"
#include "EntryResult.h"
#include "FolderIdentity.h"
#include "FolderTrust.h"

#include <cstddef>
#include <string>
#include <vector>

class FolderChain {
public:
    /// Descriptors a chain keeps open at most.
    static constexpr std::size_t kMaxOpenFolders = 16;

    /// Starts at the folder open as `first`; folders are entered only where
    /// `trust` takes them as safe.
    explicit FolderChain(Descriptor first,
                         const FolderTrust& trust = FolderTrust::ForThisProcess());
    /// Opens folder `name` in the current one and makes it current: Done;
    /// Absent; Kept when it is a link or no folder; Failed when it is on
    /// another file system, someone untrusted may change what it holds (they
    /// may have renamed another user's entries in there), it is someone
    /// untrusted's in a folder every user may write to, or it cannot be
    /// opened.
    EntryResult Enter(const std::string& name);
    /// Done when the entry `name` of the current folder may be touched, as
    /// EntryLook::Guard says; Absent when not there.
    EntryResult Guarded(const std::string& name) const;
    /// Makes the enclosing folder current again. Failed when it is no longer
    /// the folder that was entered from (it was moved); the chain is then at
    /// its end and must not be used again.
    EntryResult Leave();
    /// The current folder's descriptor.
    int Current() const { return levels.back().folder.Get(); }
    /// How many folders were entered below the first.
    std::size_t Depth() const { return levels.size() - 1; }

private:
    struct Level {
        Descriptor folder;
        /// Device, inode, mount, and mode, owner and group read with them.
        FolderIdentity identity;
    };
    void CloseOldestIfOverBudget();

    const FolderTrust& trust;
    std::vector<Level> levels;
    // Levels below this one have their descriptors closed.
    std::size_t firstOpen = 0;
};

#endif
