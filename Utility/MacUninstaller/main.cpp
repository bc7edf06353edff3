// Uninstall: removes the product described by the sku.xml beside it, in
// windows when a graphical session is there, else on the terminal.

#include "PosixPlatform.h"
#include "Uninstaller.h"
#ifdef QE_COCOA_LAYER
#include "CocoaPlatform.h"
#endif

#include <string>
#include <vector>

namespace {

int RunOnTerminal(const std::vector<std::string>& arguments) {
    PosixPlatform platform;
    const int status = Uninstaller(platform).Run(arguments);
    platform.KeepTerminalForLaunchedTasks();
    return status;
}

#ifdef QE_COCOA_LAYER
int RunOnDesktop(const std::vector<std::string>& arguments) {
    CocoaPlatform platform;
    return Uninstaller(platform).Run(arguments);
}
#endif

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
#ifdef QE_COCOA_LAYER
    if (CocoaPlatform::GraphicalSessionAvailable())
        return RunOnDesktop(arguments);
#endif
    return RunOnTerminal(arguments);
}
