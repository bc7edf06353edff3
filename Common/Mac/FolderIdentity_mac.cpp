#include "FolderIdentity.h"

#include <map>
#include <mutex>
#include <string>
#include <sys/mount.h>
#include <sys/param.h>

// macOS has no mount id: a mount is its file system id and the path it is
// mounted on (fstatfs), numbered in the order this process first meets each,
// so two folders compare equal exactly when both are.
bool FolderIdentity::MountOf(int descriptor, unsigned long long& mount) {
    struct statfs fileSystem;
    if (fstatfs(descriptor, &fileSystem) != 0)
        return false;
    std::string key(reinterpret_cast<const char*>(&fileSystem.f_fsid), sizeof fileSystem.f_fsid);
    key += fileSystem.f_mntonname;
    static std::mutex numbersInUse;
    static std::map<std::string, unsigned long long> numbers;
    const std::lock_guard<std::mutex> guard(numbersInUse);
    mount = numbers.emplace(key, numbers.size() + 1).first->second;
    return true;
}
