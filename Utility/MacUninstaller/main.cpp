// Uninstall: removes the product described by the sku.xml beside it.

#include "PosixPlatform.h"
#include "Uninstaller.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    PosixPlatform platform;
    const int status = Uninstaller(platform).Run(std::vector<std::string>(argv, argv + argc));
    platform.KeepTerminalForLaunchedTasks();
    return status;
}
