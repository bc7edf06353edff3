#include "AdministratorRights.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Stands in for pkexec: prints "through" and runs its arguments.
std::string RunThroughProgram(const std::string& folder) {
    const std::string path = folder + "/pkexec";
    std::ofstream(path) << "#!/bin/sh\necho through\nexec \"$@\"\n";
    chmod(path.c_str(), 0755);
    return path;
}

// Runs `tool` with `arguments` on `authorization`: the status of starting
// it, and its output read to the end.
std::pair<OSStatus, std::string> Execute(AdministratorRights& rights,
                                         AuthorizationRef authorization, const char* tool,
                                         std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    ToolOutput output;
    const OSStatus status = rights.ExecuteWithPrivileges(authorization, tool, argv.data(), &output);
    std::string text;
    if (status == errAuthorizationSuccess) {
        char buffer[64];
        for (long n; (n = rights.ReadToolOutput(output, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        rights.ToolExitStatus(output);
    }
    return {status, text};
}

} // namespace

TEST(AdministratorRights, RightsGrantedForOneToolRunOnlyItThroughTheGivenProgram) {
    const std::string folder = MakeScratchFolder("qe-rights");
    // The privilege tool must never be asked: it does not exist.
    AdministratorRights rights({"/nonexistent/sudo"});
    const struct {
        const char* name;
        const char* right;
        OSStatus granted;
        const char* tool;
        OSStatus started;
        std::string output;
    } cases[] = {{"the granted tool", UninstallerPlatform::kAdministratorRight,
                  errAuthorizationSuccess, "/bin/echo", errAuthorizationSuccess,
                  "through\n-uninstall s t\n"},
                 {"another tool", UninstallerPlatform::kAdministratorRight, errAuthorizationSuccess,
                  "/bin/sh", errAuthorizationDenied, ""},
                 {"another right", "system.privilege.other", errAuthorizationDenied, "/bin/echo",
                  errAuthorizationDenied, ""}};
    for (const auto& c : cases) {
        AuthorizationRef authorization = nullptr;
        ASSERT_EQ(rights.Create(&authorization), errAuthorizationSuccess);
        EXPECT_EQ(
            rights.GrantForTool(authorization, c.right, {RunThroughProgram(folder)}, "/bin/echo"),
            c.granted)
            << c.name;
        const auto [started, output] =
            Execute(rights, authorization, c.tool, {"-uninstall", "s t"});
        EXPECT_EQ(started, c.started) << c.name;
        EXPECT_EQ(output, c.output) << c.name;
        EXPECT_EQ(rights.Free(authorization, kAuthorizationFlagDestroyRights),
                  errAuthorizationSuccess);
    }
    std::filesystem::remove_all(folder);
}
