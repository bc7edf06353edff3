#include "AdministratorRights.h"

#include "Descriptor.h"
#include "DescriptorInheritance.h"
#include "ProcessLibrary.h"
#include "SystemCall.h"

#include <cstring>
#include <unistd.h>
#include <utility>

struct AuthorizationOpaqueRef {
    bool administrator = false;
    // The tool remembered the password because of this session, not before it.
    bool credentialsCachedHere = false;
    // Set by GrantForTool: the one tool the rights run, and what runs it.
    std::string onlyTool;
    std::vector<std::string> runThrough;
};

namespace {

bool IsRoot() {
    return geteuid() == 0;
}

bool IsAdministratorRight(const char* right) {
    return std::strcmp(right, UninstallerPlatform::kAdministratorRight) == 0;
}

} // namespace

class AdministratorRights::InterruptsIgnoredWhileToolRuns
    : public ProcessLibrary::InterruptsIgnored {};

AdministratorRights::AdministratorRights(std::vector<std::string> privilegeCommand)
    : privilegeCommand(std::move(privilegeCommand)) {}

AdministratorRights::~AdministratorRights() = default;

std::vector<std::string> AdministratorRights::Command(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), privilegeCommand.begin(), privilegeCommand.end());
    return arguments;
}

OSStatus AdministratorRights::Create(AuthorizationRef* authorization) {
    *authorization = new AuthorizationOpaqueRef;
    return errAuthorizationSuccess;
}

OSStatus AdministratorRights::CopyRights(AuthorizationRef authorization, const char* right,
                                         AuthorizationFlags flags) {
    if (authorization == nullptr || !IsAdministratorRight(right))
        return errAuthorizationDenied;
    if (!IsRoot() && ProcessLibrary::Run(Command({"-n", "-v"}),
                                         {/*descriptor=*/-1, /*quietErrors=*/true}) != 0) {
        if ((flags & kAuthorizationFlagInteractionAllowed) == 0 ||
            ProcessLibrary::Run(Command({"-v"})) != 0)
            return errAuthorizationCanceled;
        authorization->credentialsCachedHere = true;
    }
    authorization->administrator = true;
    return errAuthorizationSuccess;
}

OSStatus AdministratorRights::GrantForTool(AuthorizationRef authorization, const char* right,
                                           std::vector<std::string> runThrough,
                                           std::string toolPath) {
    if (authorization == nullptr || !IsAdministratorRight(right))
        return errAuthorizationDenied;
    authorization->administrator = true;
    authorization->runThrough = std::move(runThrough);
    authorization->onlyTool = std::move(toolPath);
    return errAuthorizationSuccess;
}

std::vector<std::string> AdministratorRights::ToolCommand(AuthorizationRef authorization,
                                                          const char* toolPath) const {
    std::vector<std::string> command = authorization->runThrough;
    if (command.empty() && !IsRoot())
        command = Command({"--"});
    command.push_back(toolPath);
    return command;
}

OSStatus AdministratorRights::ExecuteWithPrivileges(AuthorizationRef authorization,
                                                    const char* toolPath, char* const* arguments,
                                                    ToolOutput* output) {
    if (authorization == nullptr || !authorization->administrator ||
        (!authorization->onlyTool.empty() && authorization->onlyTool != toolPath))
        return errAuthorizationDenied;
    std::vector<std::string> command = ToolCommand(authorization, toolPath);
    for (char* const* argument = arguments; *argument != nullptr; ++argument)
        command.push_back(*argument);
    int channel[2];
    if (!DescriptorInheritance::OpenPipe(channel))
        return errAuthorizationToolExecuteFailure;
    Descriptor readEnd(channel[0]);
    Descriptor writeEnd(channel[1]);
    const long process = ProcessLibrary::Spawn(command, {writeEnd.Get(), /*quietErrors=*/false});
    // Only the tool may hold the write end, or reading would never see its end.
    writeEnd.Reset();
    if (process < 0)
        return errAuthorizationToolExecuteFailure;
    // The caller's from here: ToolExitStatus closes it.
    output->descriptor = readEnd.Release();
    output->process = process;
    toolInterrupts = std::make_unique<InterruptsIgnoredWhileToolRuns>();
    return errAuthorizationSuccess;
}

long AdministratorRights::ReadToolOutput(const ToolOutput& output, char* buffer,
                                         unsigned long size) {
    return SystemCall::RetryOnEintr([&] { return read(output.descriptor, buffer, size); });
}

int AdministratorRights::ToolExitStatus(const ToolOutput& output) {
    close(output.descriptor);
    const int status = ProcessLibrary::WaitForExit(output.process);
    toolInterrupts.reset();
    return status;
}

OSStatus AdministratorRights::Free(AuthorizationRef authorization, AuthorizationFlags flags) {
    // Destroying the rights forgets the password the tool remembered for
    // them, but not one the user had given before.
    if (authorization != nullptr && authorization->credentialsCachedHere &&
        (flags & kAuthorizationFlagDestroyRights) != 0)
        ProcessLibrary::Run(Command({"-k"}));
    delete authorization;
    return errAuthorizationSuccess;
}
