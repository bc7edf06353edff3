// Uninstall: removes the product described by the sku.xml beside it, in
// windows when a graphical session is there, else on the terminal.

#include "DesktopLayer.h"
#include "PosixPlatform.h"
#include "Uninstaller.h"

#include <memory>
#include <string>
#include <vector>

namespace {

int RunOnTerminal(const std::vector<std::string>& arguments) {
    PosixPlatform platform;
    const int status = Uninstaller(platform).Run(arguments);
    platform.KeepTerminalForLaunchedTasks();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    if (const std::unique_ptr<UninstallerPlatform> desktop = DesktopLayer::Load())
        return Uninstaller(*desktop).Run(arguments);
    return RunOnTerminal(arguments);
}
