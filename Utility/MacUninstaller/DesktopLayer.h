// DesktopLayer: the uninstaller's windows (CocoaPlatform), loaded only when
// they can be shown.
//
// The layer is a module beside the program in the bundle, so that a start
// on a terminal never loads AppKit or GNUstep: linking them costs every start
// some 50 ms before main, five times the rest of the program's start.
#ifndef QE_DESKTOPLAYER_H
#define QE_DESKTOPLAYER_H

#include "UninstallerPlatform.h"

#include <memory>

class DesktopLayer {
public:
    /// The module's file name in the bundle's executable directory.
    static constexpr char kModuleName[] = "UninstallDesktop.so";
    /// The name of the module's function that makes its platform: a new
    /// CocoaPlatform when a graphical session can show it, else null.
    static constexpr char kFactoryName[] = "QeCreateDesktopPlatform";

    /// The desktop platform, or null: when DISPLAY is unset or empty (on
    /// macOS a window server is always there), when the module is missing, is
    /// not a regular file or does not load, or when no X server accepts a
    /// connection.
    static std::unique_ptr<UninstallerPlatform> Load();
};

#endif
