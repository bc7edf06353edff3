#include "DescriptorInheritance.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// FD_CLOEXEC is the only descriptor flag; a number not open is left as it is.
void MarkCloseOnExec(int descriptor) {
    fcntl(descriptor, F_SETFD, FD_CLOEXEC);
}

// A descriptor's number from its entry's name; -1 for anything else.
int DescriptorNamed(const char* name) {
    char* end = nullptr;
    const long number = std::strtol(name, &end, 10);
    return end != name && *end == '\0' && number >= 0 &&
                   number < DescriptorInheritance::kMaxDescriptors
               ? static_cast<int>(number)
               : -1;
}

} // namespace

void DescriptorInheritance::MarkInheritedCloseOnExec() {
    // Linux links /dev/fd to /proc/self/fd; macOS lists the process's own there.
    if (!MarkListedCloseOnExec("/dev/fd"))
        MarkCloseOnExecBelow(DescriptorLimit());
}

bool DescriptorInheritance::MarkListedCloseOnExec(const char* listing) {
    DIR* folder = opendir(listing);
    if (folder == nullptr)
        return false;
    const int own = dirfd(folder);
    std::vector<int> listed;
    bool listsItself = false;
    while (const dirent* entry = readdir(folder)) {
        const int descriptor = DescriptorNamed(entry->d_name);
        listsItself = listsItself || descriptor == own;
        if (descriptor > STDERR_FILENO && descriptor != own)
            listed.push_back(descriptor);
    }
    closedir(folder);
    if (!listsItself)
        return false;
    for (const int descriptor : listed)
        MarkCloseOnExec(descriptor);
    return true;
}

void DescriptorInheritance::MarkCloseOnExecBelow(int limit) {
    for (int descriptor = STDERR_FILENO + 1; descriptor < limit; ++descriptor)
        MarkCloseOnExec(descriptor);
}

int DescriptorInheritance::DescriptorLimit() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_max == RLIM_INFINITY ||
        limit.rlim_max > static_cast<rlim_t>(kMaxDescriptors))
        return kMaxDescriptors;
    return static_cast<int>(limit.rlim_max);
}
