// PrivateFolder: a folder of this user's own, made where no other user can
// swap what it holds, and a bundle copied into it through its descriptor.
//
//   PrivateFolder folder;
//   const std::string path = PrivateFolder::TemporaryRoot() + "/" + name;
//   if (folder.Create(path))
//       folder.CopyTree("/Applications/Qe.app", path + "/Qe.app");
#ifndef QE_PRIVATEFOLDER_H
#define QE_PRIVATEFOLDER_H

#include "Descriptor.h"

#include <string>

class PrivateFolder {
public:
    /// TMPDIR, resolved, when no other user can rename or replace what it
    /// holds: a real folder (not a link) of this user or root, not writable by
    /// group or others unless sticky, and so every folder on its real path.
    /// "/tmp" otherwise, a relative or missing TMPDIR included.
    static std::string TemporaryRoot();

    /// Creates the folder `path`, not its parents, with mode 0700 whatever the
    /// umask, and keeps it open. False when the name exists already (it is
    /// never reused) or what was made is not this user's.
    bool Create(const std::string& path);
    /// Copies the folder tree `source` as `destination`, which must not
    /// exist; when `destination` lies in the folder Create made, through the
    /// descriptor kept since, so a folder put at its path cannot receive it.
    bool CopyTree(const std::string& source, const std::string& destination) const;

private:
    std::string path;
    Descriptor descriptor;
};

#endif
