// CocoaPlatform: the uninstaller's platform calls over AppKit and Foundation,
// for a graphical session. It builds with Apple's frameworks on macOS and
// with GNUstep elsewhere.
//
// - Alerts are NSAlert's modal alerts; their window carries the alert's
//   title too, so that a window list shows which one is up.
// - On macOS the bundle is NSBundle's main bundle and the rights come from
//   Authorization Services. GNUstep's main bundle of a program does not follow
//   the Contents/MacOS layout, so there the bundle is found from the
//   executable's own real path (ExecutableLocation), and the rights come from
//   polkit when an authentication agent runs for the installed tool
//   (PolkitAuthority, the desktop's own dialog, then pkexec), else from the
//   privilege tool (AdministratorRights with `sudo -A`), which asks for the
//   password in the bundle's AskPassword panel.
// - Bundle files are found only when they are regular files, never links.
// - A directory is created with mode 0700, and only inside a folder that is
//   this user's alone (the user's temporary directory), so no other user can
//   slip anything into the bundle's copy.
// - It is built as a module that DesktopLayer loads; the module's
//   QeCreateDesktopPlatform makes one when GraphicalSessionAvailable().
#ifndef QE_COCOAPLATFORM_H
#define QE_COCOAPLATFORM_H

#include "UninstallerPlatform.h"

#ifndef __APPLE__
#include "AdministratorRights.h"
#include "PolkitAuthority.h"
#endif

#include <optional>
#include <string>
#include <vector>

class CocoaPlatform : public UninstallerPlatform {
public:
    /// True when this layer's windows can be shown: on macOS always; with
    /// GNUstep when DISPLAY names an X server that accepts a connection
    /// (GNUstep's X11 back end crashes in NSApplication without one, and a
    /// Wayland session without DISPLAY has no X server for it).
    static bool GraphicalSessionAvailable();

    /// Obtains the shared application object and creates the autorelease
    /// pool, which the destructor releases.
    CocoaPlatform();
    CocoaPlatform(const CocoaPlatform&) = delete;
    CocoaPlatform& operator=(const CocoaPlatform&) = delete;
    ~CocoaPlatform() override;

    int RunAlert(const std::string& title, const std::optional<std::string>& defaultButton,
                 const std::optional<std::string>& alternateButton,
                 const std::string& informativeText) override;
    std::optional<std::string> PathForAuxiliaryExecutable(const std::string& name) override;
    std::string BundlePath() override;
    std::string TemporaryDirectory() override;
    std::string GloballyUniqueString() override;
    bool CreateDirectory(const std::string& path) override;
    bool CopyItem(const std::string& source, const std::string& destination) override;
    bool RecordOriginalBundle(const std::string& copy, const std::string& original) override;
    std::optional<std::string> OriginalBundlePath() override;
    bool IsRootsAlone(const std::string& path) override;
    bool LaunchTask(const std::string& path, const std::vector<std::string>& arguments) override;
    void ActivateIgnoringOtherApps() override;
    OSStatus AuthorizationCreate(AuthorizationFlags flags,
                                 AuthorizationRef* authorization) override;
    OSStatus AuthorizationCopyRights(AuthorizationRef authorization, const char* right,
                                     AuthorizationFlags flags) override;
    OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                const char* toolPath, AuthorizationFlags flags,
                                                char* const* arguments,
                                                ToolOutput* output) override;
    long ReadToolOutput(const ToolOutput& output, char* buffer, unsigned long size) override;
    int ToolExitStatus(const ToolOutput& output) override;
    OSStatus AuthorizationFree(AuthorizationRef authorization, AuthorizationFlags flags) override;

private:
    // The NSAutoreleasePool, held without naming an Objective-C type here.
    void* pool;
#ifdef __APPLE__
    // The FILE that AuthorizationExecuteWithPrivileges opened on the tool's output.
    void* toolPipe = nullptr;
#else
    // The password panel sudo -A is to run.
    std::optional<std::string> PasswordPanel();
    // The path of `name` beside the program in the bundle this one is a copy of.
    std::optional<std::string> OriginalBundleFile(const std::string& name);
    // True when the rights are to come from polkit, for the installed tool.
    bool PolkitServesTheTool();
    // The rights from polkit; nothing when polkit asked nobody.
    std::optional<OSStatus> PolkitCopyRights(AuthorizationRef authorization, const char* right,
                                             AuthorizationFlags flags);

    AdministratorRights rights;
    PolkitAuthority polkit;
#endif
};

#endif
