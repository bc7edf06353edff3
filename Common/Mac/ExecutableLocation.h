// ExecutableLocation: where the running executable and its bundle are.
//
// The executable is found from its real path (from /proc/self/exe on Linux,
// _NSGetExecutablePath on macOS), so a link it was started through does not
// move it. In a bundle it lies in Contents/MacOS, two folders below the bundle
// itself.
#ifndef QE_EXECUTABLELOCATION_H
#define QE_EXECUTABLELOCATION_H

#include <optional>
#include <string>

class ExecutableLocation {
public:
    /// The real path of the folder holding the running executable; empty when
    /// it cannot be resolved.
    static std::string Directory();
    /// The path of `name` in Directory() when that is a regular file there;
    /// nothing for a link (one in a copied bundle could lead anywhere, and
    /// what it leads to would be run or read with administrator rights).
    static std::optional<std::string> RegularFileBeside(const std::string& name);
    /// The folder two levels above Directory(): the bundle, when the
    /// executable lies in its Contents/MacOS.
    static std::string BundleDirectory();

private:
    // A path that leads to the running executable, perhaps through links;
    // empty when the system gives none.
    static std::string PathLeadingHere();
};

#endif
