#include "FolderIdentity.h"

#include <sys/stat.h>

bool FolderIdentity::Of(int descriptor, FolderIdentity& identity) {
    if (fstat(descriptor, &identity.status) != 0 || !MountOf(descriptor, identity.mount))
        return false;
    identity.device = static_cast<unsigned long long>(identity.status.st_dev);
    identity.inode = static_cast<unsigned long long>(identity.status.st_ino);
    return true;
}
