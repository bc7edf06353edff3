#include "ExecutableLocation.h"

#include <climits>
#include <cstdint>
#include <mach-o/dyld.h>

// The path the executable was started by, which may hold links; a buffer too
// small is told the size it needs.
std::string ExecutableLocation::PathLeadingHere() {
    std::string path(PATH_MAX, '\0');
    std::uint32_t size = static_cast<std::uint32_t>(path.size());
    if (_NSGetExecutablePath(&path[0], &size) != 0) {
        path.assign(size, '\0');
        if (_NSGetExecutablePath(&path[0], &size) != 0)
            return "";
    }
    return path.c_str();
}
