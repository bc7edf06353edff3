#include "PrivateFolder.h"

#include "PathLibrary.h"
#include "TreeCopy.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    const std::string text = real != nullptr ? real : "";
    std::free(real);
    return text;
}

// Only this user or root can rename or replace what a folder holds: it
// belongs to one of them, and others may not write to it unless the sticky
// bit keeps them to their own entries.
bool IsGuardedFolder(const struct stat& status) {
    const bool ownedByUserOrRoot = status.st_uid == geteuid() || status.st_uid == 0;
    const bool othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return S_ISDIR(status.st_mode) && ownedByUserOrRoot &&
           (!othersMayWrite || (status.st_mode & S_ISVTX) != 0);
}

// True when `path` is absolute and names a folder itself, not a link to one
// (trailing separators aside).
bool IsRealFolder(const std::string& path) {
    const std::size_t end = path.find_last_not_of('/');
    struct stat status;
    return !path.empty() && path[0] == '/' &&
           lstat(end == std::string::npos ? "/" : path.substr(0, end + 1).c_str(), &status) == 0 &&
           S_ISDIR(status.st_mode);
}

// True when no other user can swap what the resolved path `real` leads to:
// it and every folder above it are guarded.
bool IsGuardedPath(const std::string& real) {
    struct stat status;
    for (std::size_t slash = 0; slash != std::string::npos; slash = real.find('/', slash + 1)) {
        const std::string folder = slash == 0 ? "/" : real.substr(0, slash);
        if (lstat(folder.c_str(), &status) != 0 || !IsGuardedFolder(status))
            return false;
    }
    return lstat(real.c_str(), &status) == 0 && IsGuardedFolder(status);
}

} // namespace

std::string PrivateFolder::TemporaryRoot() {
    // Resolved once: what is checked is what is used.
    const char* directory = std::getenv("TMPDIR");
    const std::string real =
        directory != nullptr && IsRealFolder(directory) ? RealPath(directory) : "";
    return !real.empty() && IsGuardedPath(real) ? real : "/tmp";
}

bool PrivateFolder::Create(const std::string& folder) {
    // The mode is set through the descriptor, so nothing put in the folder's
    // place meanwhile is changed.
    if (mkdir(folder.c_str(), 0700) != 0)
        return false;
    Descriptor made(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status;
    if (!made.IsOpen() || fstat(made.Get(), &status) != 0 || status.st_uid != geteuid() ||
        fchmod(made.Get(), 0700) != 0)
        return false;
    path = folder;
    descriptor = std::move(made);
    return true;
}

bool PrivateFolder::CopyTree(const std::string& source, const std::string& destination) const {
    const std::string parent = PathLibrary::RemoveLastPathComponent(destination);
    const std::string name = destination.substr(destination.find_last_of('/') + 1);
    if (descriptor.IsOpen() && parent == path)
        return TreeCopy::CopyFolderAt(source, descriptor.Get(), name).Succeeded();
    const Descriptor folder(open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() && TreeCopy::CopyFolderAt(source, folder.Get(), name);
}
