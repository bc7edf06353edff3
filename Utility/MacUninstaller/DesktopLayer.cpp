#include "DesktopLayer.h"

#include "ExecutableLocation.h"

#include <cstdlib>
#include <dlfcn.h>

namespace {

bool MayHaveDisplay() {
#ifdef __APPLE__
    return true;
#else
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0';
#endif
}

} // namespace

std::unique_ptr<UninstallerPlatform> DesktopLayer::Load() {
    if (!MayHaveDisplay())
        return nullptr;
    const std::optional<std::string> path = ExecutableLocation::RegularFileBeside(kModuleName);
    if (!path)
        return nullptr;
    // Never unloaded: the Objective-C runtime keeps the module's classes for
    // the life of the process.
    void* module = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return nullptr;
    using Factory = UninstallerPlatform* (*)();
    const auto create = reinterpret_cast<Factory>(dlsym(module, kFactoryName));
    return std::unique_ptr<UninstallerPlatform>(create != nullptr ? create() : nullptr);
}
