// TreeCopy: copying folder trees relative to open descriptors.
//
// Once a copy has begun nothing is reached by a path: each entry is opened
// relative to its folder's descriptor, and a link is never followed, in the
// source or in the destination. So a folder swapped for a link while the
// copy runs cannot redirect it. Only folders, regular files and links are
// copied; links are copied as links. Modes and modification times are kept,
// set on the new entry's descriptor so that the umask cannot weaken them;
// the owner is kept (except by CopyFolderAt) where this process may give it,
// and a set-user-id or set-group-id bit only together with it.
//
//   const int folder = open("/tmp/private", O_RDONLY | O_DIRECTORY);
//   TreeCopy::CopyFolderAt("/Applications/Qe.app", folder, "Qe.app");
#ifndef QE_TREECOPY_H
#define QE_TREECOPY_H

#include "Outcome.h"

#include <string>

class TreeCopy {
public:
    /// How many folders deep a copy goes below the copied folder; a folder
    /// deeper than that fails its entry. Each level holds two descriptors and
    /// a little stack, so no source can exhaust either.
    static constexpr unsigned kMaxDepth = 256;

    /// Copies the content of the folder at `source` into the folder open as
    /// `destination`, whose own mode and times stay: folders are merged, and
    /// a file or link replaces a file or link in its place (a link or file in
    /// the place of a folder is replaced too). A failure, naming the first
    /// entry that failed, when any did (a FIFO, device or socket in the
    /// source, a real folder where the source has a file or link, the
    /// destination folder itself met in the source); the other entries are
    /// copied all the same.
    static Outcome CopyContents(const std::string& source, int destination);
    /// Copies the folder at `source` as a new folder `name` inside the folder
    /// open as `parent`; fails when `name` exists. Its mode is the source's,
    /// but the whole copy belongs to this process's user, whoever owns the
    /// source: a copy made by root for its own use is root's alone.
    static Outcome CopyFolderAt(const std::string& source, int parent, const std::string& name);
    /// Copies the regular file at `source` (a link to one is followed) as
    /// `name` inside the folder open as `parent`, replacing a file or link
    /// there; fails on a folder there, or on a source that is no regular file.
    static Outcome CopyFileAt(const std::string& source, int parent, const std::string& name);
};

#endif
