#include "PosixPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Scratch {
    std::string path = mkdtemp(std::string("/tmp/qe-posix-XXXXXX").data());
    ~Scratch() { fs::remove_all(path); }
};

unsigned Mode(const std::string& path) {
    struct stat status {};
    lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

} // namespace

TEST(PosixPlatform, CreateDirectoryIsPrivateAndNeverReused) {
    Scratch scratch;
    PosixPlatform platform;
    const std::string path = scratch.path + "/" + platform.GloballyUniqueString();
    const mode_t previous = umask(0177);
    EXPECT_TRUE(platform.CreateDirectory(path));
    umask(previous);
    EXPECT_EQ(Mode(path), 0700u);
    EXPECT_FALSE(platform.CreateDirectory(path));
    EXPECT_NE(platform.GloballyUniqueString(), platform.GloballyUniqueString());
}

TEST(PosixPlatform, CopyItemCopiesTheTreeWithModesAndLinks) {
    Scratch scratch;
    const std::string source = scratch.path + "/A.app";
    fs::create_directories(source + "/Contents/MacOS");
    std::ofstream(source + "/Contents/MacOS/tool") << "#!/bin/sh\n";
    chmod((source + "/Contents/MacOS/tool").c_str(), 0751);
    fs::create_symlink("MacOS/tool", source + "/Contents/link");
    chmod((source + "/Contents").c_str(), 0705);

    PosixPlatform platform;
    const std::string copy = scratch.path + "/Uninstall.app";
    ASSERT_TRUE(platform.CopyItem(source, copy));
    EXPECT_EQ(Mode(copy + "/Contents/MacOS/tool"), 0751u);
    EXPECT_EQ(Mode(copy + "/Contents"), 0705u);
    EXPECT_EQ(fs::read_symlink(copy + "/Contents/link"), "MacOS/tool");
    // An existing destination is never merged into.
    EXPECT_FALSE(platform.CopyItem(source, copy));
    EXPECT_FALSE(platform.CopyItem(scratch.path + "/missing", scratch.path + "/other"));
}

TEST(PosixPlatform, LaunchTaskTellsWhetherTheTaskStarted) {
    Scratch scratch;
    PosixPlatform platform;
    const std::string marker = scratch.path + "/started";
    EXPECT_TRUE(platform.LaunchTask("/bin/sh", {"-c", "touch '" + marker + "'"}));
    EXPECT_FALSE(platform.LaunchTask(scratch.path + "/missing", {"1"}));
    for (int i = 0; i < 100 && !fs::exists(marker); ++i)
        usleep(20000);
    EXPECT_TRUE(fs::exists(marker));
}

TEST(PosixPlatform, PrivilegedToolOutputEndsAndItsStatusIsReported) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs the root user: otherwise sudo would ask for a password";
    PosixPlatform platform;
    AuthorizationRef authorization = nullptr;
    ASSERT_EQ(platform.AuthorizationCreate(kAuthorizationFlagDefaults, &authorization), 0);
    ASSERT_EQ(platform.AuthorizationCopyRights(authorization, "system.privilege.admin", 19), 0);
    std::string script = "echo out; exit 3";
    char shell[] = "-c";
    char* const arguments[] = {shell, script.data(), nullptr};
    ToolOutput output;
    ASSERT_EQ(platform.AuthorizationExecuteWithPrivileges(authorization, "/bin/sh", 0, arguments,
                                                          &output),
              0);
    std::string text;
    char buffer[64];
    for (long n; (n = platform.ReadToolOutput(output, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    EXPECT_EQ(text, "out\n");
    EXPECT_EQ(platform.ToolExitStatus(output), 3);
    char* const none[] = {nullptr};
    EXPECT_NE(platform.AuthorizationExecuteWithPrivileges(authorization, "/nonexistent/tool", 0,
                                                          none, &output),
              0);
    EXPECT_EQ(platform.AuthorizationFree(authorization, kAuthorizationFlagDestroyRights), 0);
}
