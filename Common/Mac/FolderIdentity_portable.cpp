#include "FolderIdentity.h"

#include <sys/stat.h>

bool FolderIdentity::Of(int descriptor, FolderIdentity& identity) {
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !MountOf(descriptor, identity.mount))
        return false;
    identity.device = static_cast<unsigned long long>(status.st_dev);
    identity.inode = static_cast<unsigned long long>(status.st_ino);
    identity.mode = status.st_mode;
    identity.uid = status.st_uid;
    identity.gid = status.st_gid;
    identity.writableByEveryone = (status.st_mode & S_IWOTH) != 0;
    return true;
}
