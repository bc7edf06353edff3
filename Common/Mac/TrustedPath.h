// TrustedPath: opening a path from "/" so that nobody untrusted can have
// decided where it leads.
//
// Each component is opened inside the folder before it without following
// links, except a link that only root can have made and placed (owned by
// root, below folders that root owns and only root may write to, as /tmp on
// macOS). Every folder passed, from "/" to the last, must be one that no
// untrusted user can change (FolderTrust), and in a folder every user may
// write to the next component must be root's or the trusted user's.
//
//   Descriptor folder;
//   TrustedPath::OpenFolder("/Applications/Qe/Plug-ins", FolderTrust::ForThisProcess(), folder);
//   TrustedPath::IsRootsAlone("/usr/lib/Qe/Uninstall.app/Contents/MacOS/InstallUtility");
#ifndef QE_TRUSTEDPATH_H
#define QE_TRUSTEDPATH_H

#include "Descriptor.h"
#include "FolderTrust.h"

#include <string>

class TrustedPath {
public:
    struct Result {
        enum class Status { Opened, Absent, Refused };
        Status status;
        /// Why it was refused, naming the folder at fault when it is not the
        /// last; empty otherwise.
        std::string reason;
    };

    /// Symbolic links followed at most while opening a path.
    static constexpr int kMaxLinks = 40;

    /// Opens the folder at the absolute `path` into `folder`. Absent when a
    /// component is not there; Refused for a path that is not absolute or has
    /// a "." or ".." component, a link anyone but root could have placed,
    /// something that is no folder, or a folder on the way (or the last) that
    /// `trust` does not take as safe.
    static Result OpenFolder(const std::string& path, const FolderTrust& trust, Descriptor& folder);
    /// True when `path` is a regular file (not a link) that only root can
    /// change or replace: it and every folder from "/" down to it are owned by
    /// root and writable by root alone.
    static bool IsRootsAlone(const std::string& path);
};

#endif
