// UninstallerPlatform: everything platform-specific the uninstaller does.
//
// The uninstaller's decisions, texts and argument lists are plain logic; each
// dialog, bundle lookup, copy, launch and authorization call goes through this
// interface: PosixPlatform on a terminal, CocoaPlatform on a desktop; tests
// script a recording one.
#ifndef QE_UNINSTALLERPLATFORM_H
#define QE_UNINSTALLERPLATFORM_H

#include "PlatformMac.h"

#include <optional>
#include <string>
#include <vector>

/// The standard output of a tool started with administrator rights.
struct ToolOutput {
    int descriptor = -1;
    long process = -1;
};

class UninstallerPlatform {
public:
    /// What RunAlert returns for the default and for the alternate button.
    static constexpr int kDefaultButton = 1;
    static constexpr int kAlternateButton = 0;

    /// The right AuthorizationCopyRights grants for running a tool as the
    /// administrator; every other right is denied.
    static constexpr char kAdministratorRight[] = "system.privilege.admin";

    virtual ~UninstallerPlatform() = default;

    /// Shows a modal alert and waits for a button. No default title means
    /// the standard single button; no alternate title means no such button.
    virtual int RunAlert(const std::string& title, const std::optional<std::string>& defaultButton,
                         const std::optional<std::string>& alternateButton,
                         const std::string& informativeText) = 0;

    /// The path of `name` in the bundle's executable directory, when that
    /// file exists.
    virtual std::optional<std::string> PathForAuxiliaryExecutable(const std::string& name) = 0;
    /// The path of the running bundle.
    virtual std::string BundlePath() = 0;
    /// The user's temporary directory.
    virtual std::string TemporaryDirectory() = 0;
    /// A text unique to this run, usable as a file name.
    virtual std::string GloballyUniqueString() = 0;
    /// Creates one directory, not its parents; false when it exists already
    /// or cannot be made.
    virtual bool CreateDirectory(const std::string& path) = 0;
    /// Copies a whole directory tree to a destination that does not exist.
    virtual bool CopyItem(const std::string& source, const std::string& destination) = 0;
    /// Writes, in the bundle copy at `copy`, that it is a copy of the bundle
    /// at `original`.
    virtual bool RecordOriginalBundle(const std::string& copy, const std::string& original) = 0;
    /// The bundle the running one is a copy of, as recorded in it; nothing
    /// when it holds no record.
    virtual std::optional<std::string> OriginalBundlePath() = 0;
    /// True when `path` is a regular file that only root can change or
    /// replace: it, and every folder from "/" down to it, are owned by root
    /// and writable by root alone (a link only where root alone placed it).
    virtual bool IsRootsAlone(const std::string& path) = 0;
    /// Starts an executable with the arguments and does not wait for it.
    virtual bool LaunchTask(const std::string& path, const std::vector<std::string>& arguments) = 0;
    /// Brings the application in front of the others.
    virtual void ActivateIgnoringOtherApps() = 0;

    virtual OSStatus AuthorizationCreate(AuthorizationFlags flags,
                                         AuthorizationRef* authorization) = 0;
    /// Obtains the named right; the user may be asked to authenticate.
    virtual OSStatus AuthorizationCopyRights(AuthorizationRef authorization, const char* right,
                                             AuthorizationFlags flags) = 0;
    /// Runs a tool with administrator rights, its standard output on a pipe.
    /// `arguments` ends with a null entry.
    virtual OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                        const char* toolPath,
                                                        AuthorizationFlags flags,
                                                        char* const* arguments,
                                                        ToolOutput* output) = 0;
    /// Reads up to `size` bytes of the tool's output: 0 at its end, negative
    /// on an error.
    virtual long ReadToolOutput(const ToolOutput& output, char* buffer, unsigned long size) = 0;
    /// Closes the output and returns the tool's exit status once it ended.
    virtual int ToolExitStatus(const ToolOutput& output) = 0;
    virtual OSStatus AuthorizationFree(AuthorizationRef authorization,
                                       AuthorizationFlags flags) = 0;
};

#endif
