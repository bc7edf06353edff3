// TreeRemoval: removing entries relative to open folder descriptors.
//
// Nothing is reached by a path once a target folder is open: each entry is
// looked at and removed relative to its folder's descriptor, a link is never
// followed (it is removed as a link), and a folder on another file system or
// mount is never entered (FolderChain). So a folder swapped for a link while
// a removal runs cannot lead it anywhere else. However deep a tree, a removal
// holds at most FolderChain::kMaxOpenFolders descriptors.
//
//   Descriptor target;
//   if (TrustedPath::OpenFolder("/Applications/Qe/Plug-ins", trust, target).status ==
//       TrustedPath::Result::Status::Opened)
//       TreeRemoval::RemoveItemAt(target.Get(), "Blur.plugin");  // the bundle, whole
#ifndef QE_TREEREMOVAL_H
#define QE_TREEREMOVAL_H

#include "EntryResult.h"
#include "FolderTrust.h"

#include <string>

class TreeRemoval {
public:
    using Result = EntryResult;
    using Status = EntryResult::Status;
    /// Removes the entry `name` of the folder open as `parent`, whole: a file
    /// or a link (never followed), or a folder with everything in it. Failed,
    /// with the first entry that failed and why, when anything stayed; the
    /// rest is removed all the same. In a folder every user may write to, an
    /// entry someone untrusted owns is Failed and not touched (so with the
    /// folders below it).
    static Result RemoveItemAt(int parent, const std::string& name,
                               const FolderTrust& trust = FolderTrust::ForThisProcess());
    /// Removes the folder `name` of `parent` only when it is empty: Kept when
    /// it is not empty or no folder.
    static Result RemoveEmptyFolderAt(int parent, const std::string& name,
                                      const FolderTrust& trust = FolderTrust::ForThisProcess());
    /// Removes the entry `name` of `parent` only when it is a symbolic link:
    /// Kept when it is anything else.
    static Result RemoveLinkAt(int parent, const std::string& name,
                               const FolderTrust& trust = FolderTrust::ForThisProcess());
};

#endif
