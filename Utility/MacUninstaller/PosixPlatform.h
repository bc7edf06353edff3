// PosixPlatform: the uninstaller's platform calls on a POSIX terminal.
//
// - Alerts are printed to standard output (title, text, then the buttons with
//   the default one in brackets: "[Cancel] Uninstall"); one line is read from
//   standard input: an empty line or its end takes the default button, a
//   button's title in any case takes that button, anything else asks again.
// - The bundle is found from the executable's real path, which lies in its
//   Contents/MacOS directory (ExecutableLocation).
// - Alerts show control characters of their texts escaped (\x1b), and an
//   answer is read up to a bounded length.
// - Temporary directories go in TMPDIR when no other user can swap what it
//   holds (a real folder of this user or root, not writable by others unless
//   sticky, and so every folder above it), else in /tmp. They are created with
//   mode 0700, never reused, and a bundle is copied into the one made last
//   through its descriptor, never through a link (PrivateFolder).
// - Launched tasks are not this process's children (DetachedTasks).
// - Administrator rights: the root user has them; anyone else is asked by
//   the privilege tool (/usr/bin/sudo) on the terminal, and tools then run
//   through it (AdministratorRights).
#ifndef QE_POSIXPLATFORM_H
#define QE_POSIXPLATFORM_H

#include "AdministratorRights.h"
#include "DetachedTasks.h"
#include "PrivateFolder.h"
#include "UninstallerPlatform.h"

#include <string>

class PosixPlatform : public UninstallerPlatform {
public:
    /// Takes the process's signal and descriptor settings that the platform
    /// calls rely on: exits of children are kept to be waited for, SIGPIPE is
    /// ignored so a write to a pipe nobody reads fails with EPIPE, and
    /// descriptors inherited beyond the standard three are not passed on.
    /// `privilegeTool` asks for the password and runs tools as root; it is
    /// named by absolute path, so no PATH of the caller's can choose it.
    explicit PosixPlatform(std::string privilegeTool = "/usr/bin/sudo");
    PosixPlatform(const PosixPlatform&) = delete;
    PosixPlatform& operator=(const PosixPlatform&) = delete;
    ~PosixPlatform() override;

    /// Waits until the tasks launched from a terminal have ended. The shell
    /// takes its terminal back when this process ends, and a task launched
    /// from it could then no longer ask its questions there; so a process
    /// that owns the terminal stays, silently, until its tasks are done.
    void KeepTerminalForLaunchedTasks();

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
    AdministratorRights rights;
    // The folder made last by CreateDirectory, open since it was made.
    PrivateFolder createdFolder;
    DetachedTasks launchedTasks;
};

#endif
