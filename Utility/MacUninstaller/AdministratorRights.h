// AdministratorRights: the authorization calls over a privilege tool (sudo),
// for the platform layers that have no authorization service of their own.
//
// The root user has the rights already. Anyone else is asked by the tool:
// first whether it still remembers the user's password (`-n -v`), then, when
// interaction is allowed, for the password (`-v`); tools then run through it
// (`-- TOOL ARGUMENTS`). The tool is named by absolute path, with the options
// it always takes:
//
//   AdministratorRights({"/usr/bin/sudo"});         // asks on the terminal
//   AdministratorRights({"/usr/bin/sudo", "-A"});   // asks through SUDO_ASKPASS
#ifndef QE_ADMINISTRATORRIGHTS_H
#define QE_ADMINISTRATORRIGHTS_H

#include "UninstallerPlatform.h"

#include <memory>
#include <string>
#include <vector>

class AdministratorRights {
public:
    explicit AdministratorRights(std::vector<std::string> privilegeCommand);
    AdministratorRights(const AdministratorRights&) = delete;
    AdministratorRights& operator=(const AdministratorRights&) = delete;
    ~AdministratorRights();

    /// A new authorization that holds no right yet.
    OSStatus Create(AuthorizationRef* authorization);
    /// Grants kAdministratorRight only (any other is denied): at once for
    /// root or a password the tool remembers, else by asking when `flags`
    /// allow interaction (canceled when they do not, or the user refuses).
    OSStatus CopyRights(AuthorizationRef authorization, const char* right,
                        AuthorizationFlags flags);
    /// Grants kAdministratorRight (any other is denied) for the one tool at
    /// `toolPath`, which is to run through `runThrough` (such as pkexec, whose
    /// rights were obtained another way): the privilege tool is not asked,
    /// and ExecuteWithPrivileges denies every other tool.
    OSStatus GrantForTool(AuthorizationRef authorization, const char* right,
                          std::vector<std::string> runThrough, std::string toolPath);
    /// Starts the tool at `toolPath` with the null-ended `arguments` as root
    /// (through the privilege tool unless this is root, or as GrantForTool
    /// said), its standard output
    /// on a pipe; denied without the right.
    OSStatus ExecuteWithPrivileges(AuthorizationRef authorization, const char* toolPath,
                                   char* const* arguments, ToolOutput* output);
    /// As UninstallerPlatform::ReadToolOutput.
    long ReadToolOutput(const ToolOutput& output, char* buffer, unsigned long size);
    /// As UninstallerPlatform::ToolExitStatus.
    int ToolExitStatus(const ToolOutput& output);
    /// Frees the authorization; with kAuthorizationFlagDestroyRights the tool
    /// also forgets a password it remembered because of this authorization.
    OSStatus Free(AuthorizationRef authorization, AuthorizationFlags flags);

private:
    std::vector<std::string> Command(std::vector<std::string> arguments) const;
    // The command line that starts the tool, before its arguments.
    std::vector<std::string> ToolCommand(AuthorizationRef authorization,
                                         const char* toolPath) const;

    const std::vector<std::string> privilegeCommand;
    // The terminal's interrupt keys go to the tool from its start until its
    // exit status is taken.
    class InterruptsIgnoredWhileToolRuns;
    std::unique_ptr<InterruptsIgnoredWhileToolRuns> toolInterrupts;
};

#endif
