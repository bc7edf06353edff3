#include "ExecutableLocation.h"

#include "PathLibrary.h"

#include <cstdlib>
#include <sys/stat.h>

std::string ExecutableLocation::Directory() {
    const std::string leadingHere = PathLeadingHere();
    char* path = leadingHere.empty() ? nullptr : realpath(leadingHere.c_str(), nullptr);
    if (path == nullptr)
        return "";
    const std::string directory = PathLibrary::RemoveLastPathComponent(path);
    std::free(path);
    return directory;
}

std::optional<std::string> ExecutableLocation::RegularFileBeside(const std::string& name) {
    const std::string directory = Directory();
    if (directory.empty())
        return std::nullopt;
    const std::string path = PathLibrary::AppendPathComponent(directory, name);
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return path;
}

std::string ExecutableLocation::BundleDirectory() {
    return PathLibrary::RemoveLastPathComponent(PathLibrary::RemoveLastPathComponent(Directory()));
}
