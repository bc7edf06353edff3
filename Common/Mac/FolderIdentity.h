// FolderIdentity: what tells an open folder from any other, and who may change it.
//
// Two descriptors name the same folder when device, inode and mount match. The
// mount tells apart a folder mounted onto another of the same file system
// (a bind mount), which the device alone does not: Linux gives its mount id;
// macOS the file system and the path it is mounted on; POSIX alone only the
// file system's id, so there a folder of the same file system mounted
// elsewhere is not told apart.
//
//   FolderIdentity here, there;
//   if (FolderIdentity::Of(parent, here) && FolderIdentity::Of(child, there) &&
//       (there.device != here.device || there.mount != here.mount))
//       ...;  // the child is on another file system or mount
#ifndef QE_FOLDERIDENTITY_H
#define QE_FOLDERIDENTITY_H

#include <sys/stat.h>

class FolderIdentity {
public:
    unsigned long long device = 0, inode = 0;
    /// The mount the folder was reached through; 0 where the system names none.
    unsigned long long mount = 0;
    /// File type and permission bits, owner and group, read in the same
    /// call, so entering a folder costs one; only those fields are filled.
    struct stat status {};

    /// Reads the identity of what is open as `descriptor`, in one call where
    /// the system has one; false, with errno, when it cannot be read.
    static bool Of(int descriptor, FolderIdentity& identity);
    /// The same folder: device, inode and mount.
    bool operator==(const FolderIdentity& other) const {
        return device == other.device && inode == other.inode && mount == other.mount;
    }

private:
    // The mount where it is read apart from the rest (every system but Linux).
    static bool MountOf(int descriptor, unsigned long long& mount);
};

#endif
