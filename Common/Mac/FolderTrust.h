// FolderTrust: whether anyone but the trusted users could rename, remove or
// replace what a folder holds, and so put another user's entries in place of
// those a privileged run is about to act on.
//
//   struct stat status;
//   fstat(folder, &status);
//   const std::string why = FolderTrust::ForThisProcess().WhyUnsafe(status);
//   // "" for root's 0755 folder; for root:staff 0775, "its group may write to it, ..."
#ifndef QE_FOLDERTRUST_H
#define QE_FOLDERTRUST_H

#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

class FolderTrust {
public:
    /// Only root: a folder is safe when root owns it and nobody else may
    /// write to it, sticky or not.
    static FolderTrust RootAlone();
    /// Root, the administrators and `user`: a folder is safe when one of them
    /// owns it (an administrator being a member of one of `administrators`),
    /// its group may write to it only when that group is one of
    /// `administrators` or the owner's own (no other user is a member), and
    /// others only when the sticky bit keeps them to their own entries.
    static FolderTrust RootAdministratorsAnd(uid_t user, std::vector<gid_t> administrators);
    /// RootAdministratorsAnd for the user this process acts for (SUDO_UID
    /// when root was reached through sudo, else the real user) and this
    /// system's administrators' groups (admin on macOS, sudo and wheel
    /// elsewhere, where they exist). Read once.
    static const FolderTrust& ForThisProcess();

    FolderTrust(const FolderTrust& other);

    /// Why someone untrusted could change what the folder of `status` holds;
    /// empty when nobody can.
    std::string WhyUnsafe(const struct stat& status) const;
    /// Why an entry owned by `owner` in the folder of `folder` may have been
    /// put there by someone untrusted; empty when it cannot. Only a folder
    /// every user may write to (kept safe by its sticky bit) holds such entries.
    std::string WhyEntryUnsafe(const struct stat& folder, uid_t owner) const;

private:
    FolderTrust(bool rootAlone, uid_t user, std::vector<gid_t> administrators);
    bool IsTrustedOwner(uid_t owner) const;
    bool MayGroupWrite(gid_t group, uid_t owner) const;
    bool IsAdministrator(uid_t owner) const;
    bool IsOwnGroup(gid_t group, uid_t owner) const;

    bool rootAlone;
    uid_t user;
    std::vector<gid_t> administrators;
    // The user and group databases are asked once per owner and group.
    mutable std::mutex lookups;
    mutable std::map<uid_t, bool> administratorOwners;
    mutable std::map<std::pair<gid_t, uid_t>, bool> ownGroups;
};

#endif
