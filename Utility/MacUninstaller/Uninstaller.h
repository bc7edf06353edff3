// Uninstaller: the two phases of an uninstall.
//
// Phase 1, started by the user, asks for confirmation, copies the bundle into
// a fresh temporary directory and starts the copy with the argument "1".
// Phase 2, the copy, obtains administrator rights and runs InstallUtility
// with "-uninstall", the sku.xml path, the target_path.xml path and "-v":
// the original bundle's three files when only root can change them there,
// so that no process of the user's can swap them in the copy, else the copy's.
#ifndef QE_UNINSTALLER_H
#define QE_UNINSTALLER_H

#include "UninstallerPlatform.h"

#include <optional>
#include <string>
#include <vector>

/// The product name from the sku.xml at `skuPath`, or "this product" when
/// there is no path, no readable file or no name in it.
std::string GetProductName(const std::optional<std::string>& skuPath);

/// A newly created directory with a unique name in the temporary directory;
/// nothing when it cannot be created.
std::optional<std::string> CreateTemporaryDirectory(UninstallerPlatform& platform);

class Uninstaller {
public:
    explicit Uninstaller(UninstallerPlatform& platform) : platform(platform) {}

    /// Runs the phase the arguments (program name first) select: phase 2
    /// when one of them is exactly "1". Returns 0 whatever happens.
    int Run(const std::vector<std::string>& arguments);

    /// True when an argument after the program name is exactly "1".
    static bool IsPrivilegedPhase(const std::vector<std::string>& arguments);

private:
    struct BundleFiles {
        std::optional<std::string> skuPath;
        std::optional<std::string> targetPath;
        std::optional<std::string> toolPath;

        bool IsComplete() const { return skuPath && targetPath && toolPath; }
    };

    // sku.xml, target_path.xml and InstallUtility in the running bundle's
    // executable directory.
    BundleFiles LookUpBundleFiles();
    // The three files of the original bundle when only root can change each,
    // else those of the running bundle.
    BundleFiles FilesToRunWith();
    void ConfirmAndRelaunch(const BundleFiles& files, const std::string& productName);
    void RunInstallUtility(const BundleFiles& files, const std::string& productName);
    // Starts the tool with administrator rights and reads its output to the
    // end; its exit status, or nothing when it could not be started.
    std::optional<int> RunTool(AuthorizationRef authorization, const BundleFiles& files);
    // An alert with the standard single button.
    void ShowNotice(const std::string& title, const std::string& text);

    UninstallerPlatform& platform;
};

#endif
