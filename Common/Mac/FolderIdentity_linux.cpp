#include "FolderIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>

// One statx gives the mount id with the rest, so entering a folder costs one call.
bool FolderIdentity::Of(int descriptor, FolderIdentity& identity) {
    struct statx status;
    if (statx(descriptor, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW,
              STATX_TYPE | STATX_MODE | STATX_UID | STATX_GID | STATX_INO | STATX_MNT_ID,
              &status) != 0)
        return false;
    identity.device =
        (static_cast<unsigned long long>(status.stx_dev_major) << 32) | status.stx_dev_minor;
    identity.inode = status.stx_ino;
    // Kernels before 5.8 leave the mount id out: the device alone tells then.
    identity.mount = (status.stx_mask & STATX_MNT_ID) != 0 ? status.stx_mnt_id : 0;
    identity.status.st_mode = status.stx_mode;
    identity.status.st_uid = status.stx_uid;
    identity.status.st_gid = status.stx_gid;
    return true;
}
