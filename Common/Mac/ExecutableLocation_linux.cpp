#include "ExecutableLocation.h"

// The kernel's link to the executable of the process reading it.
std::string ExecutableLocation::PathLeadingHere() {
    return "/proc/self/exe";
}
