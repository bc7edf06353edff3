#include "FolderIdentity.h"

#include <sys/statvfs.h>

// POSIX names no mount: its file system id is the most it gives, and a folder
// of the same file system mounted elsewhere shares it.
bool FolderIdentity::MountOf(int descriptor, unsigned long long& mount) {
    struct statvfs fileSystem;
    if (fstatvfs(descriptor, &fileSystem) != 0)
        return false;
    mount = fileSystem.f_fsid;
    return true;
}
