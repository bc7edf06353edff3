#include "PosixPlatform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Scratch {
    std::string path = MakeScratchFolder("qe-posix");
    ~Scratch() { fs::remove_all(path); }
};

unsigned Mode(const std::string& path) {
    struct stat status {};
    lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// Runs one alert with `input` as standard input; what it printed, and the button.
std::pair<std::string, int> Alert(const std::string& name, const std::string& input) {
    Scratch scratch;
    std::ofstream(scratch.path + "/in") << input;
    std::fflush(stdout);
    const int savedIn = dup(STDIN_FILENO), savedOut = dup(STDOUT_FILENO);
    const int in = open((scratch.path + "/in").c_str(), O_RDONLY);
    const int out = open((scratch.path + "/out").c_str(), O_WRONLY | O_CREAT, 0600);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    PosixPlatform platform;
    const int button = platform.RunAlert("Uninstall " + name, std::string("Cancel"),
                                         std::string("Uninstall"), "Remove " + name + "?");
    std::fflush(stdout);
    dup2(savedIn, STDIN_FILENO);
    dup2(savedOut, STDOUT_FILENO);
    for (int descriptor : {savedIn, savedOut, in, out})
        close(descriptor);
    std::ifstream printed(scratch.path + "/out");
    return {std::string(std::istreambuf_iterator<char>(printed), {}), button};
}

// TMPDIR set to `value` while it lives.
struct TemporaryDirectorySetting {
    std::optional<std::string> previous;
    explicit TemporaryDirectorySetting(const std::string& value) {
        if (const char* current = std::getenv("TMPDIR"))
            previous = current;
        setenv("TMPDIR", value.c_str(), 1);
    }
    ~TemporaryDirectorySetting() {
        if (previous)
            setenv("TMPDIR", previous->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
};

// A privilege tool standing in for sudo: it appends its arguments, each
// ended by '|', as one line to `folder`/log; `-n -v` (is a password
// remembered?) exits with `remembered` and `-v` (asking for it) with `asked`;
// `-- TOOL ARGUMENTS` runs the tool.
std::string RecordingPrivilegeTool(const std::string& folder, int remembered, int asked) {
    const std::string path = folder + "/sudo", log = folder + "/log";
    std::ofstream(path) << "#!/bin/sh\nprintf '%s|' \"$@\" >>'" << log << "'\necho >>'" << log
                        << "'\ncase \"$1\" in -n) exit " << remembered << ";; -v) exit " << asked
                        << ";; --) shift; exec \"$@\";; esac\n";
    chmod(path.c_str(), 0755);
    chmod(folder.c_str(), 0777);
    return path;
}

// Runs `steps` in a child process, as the nobody user when `ordinaryUser`
// and this is root, so that rights go through the privilege tool; the
// child's exit status.
template <class Steps> int InChild(bool ordinaryUser, Steps steps) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const uid_t nobody = 65534;
        if (ordinaryUser && geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(100);
        _exit(steps());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Obtains the rights, runs `tool` with them and reads its output to the end,
// then frees the rights; the status of obtaining them, and the output.
std::pair<OSStatus, std::string> RunWithRights(PosixPlatform& platform, AuthorizationFlags flags,
                                               const char* tool,
                                               std::vector<std::string> arguments) {
    AuthorizationRef authorization = nullptr;
    platform.AuthorizationCreate(kAuthorizationFlagDefaults, &authorization);
    const OSStatus rights = platform.AuthorizationCopyRights(
        authorization, UninstallerPlatform::kAdministratorRight, flags);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    ToolOutput output;
    std::string text;
    if (platform.AuthorizationExecuteWithPrivileges(authorization, tool, 0, argv.data(), &output) ==
        errAuthorizationSuccess) {
        char buffer[64];
        for (long n; (n = platform.ReadToolOutput(output, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        platform.ToolExitStatus(output);
    }
    platform.AuthorizationFree(authorization, kAuthorizationFlagDestroyRights);
    return {rights, text};
}

} // namespace

TEST(PosixPlatform, TemporaryDirectoryOnlyWhereNoOtherUserCanSwapWhatItHolds) {
    Scratch scratch;
    const std::string real = fs::canonical(scratch.path).string();
    const uid_t nobody = 65534;
    struct Case {
        const char* name;
        unsigned mode;
        uid_t owner;
        bool used;
    };
    const Case cases[] = {
        {"private", 0700, geteuid(), true},         {"shared-sticky", 01777, geteuid(), true},
        {"group-writable", 0770, geteuid(), false}, {"world-writable", 0777, geteuid(), false},
        {"other-users", 0700, nobody, false},       {"other-users-sticky", 01777, nobody, false}};
    for (const Case& c : cases) {
        const std::string folder = scratch.path + "/" + c.name;
        fs::create_directory(folder);
        chmod(folder.c_str(), c.mode);
        ASSERT_EQ(chown(folder.c_str(), c.owner, static_cast<gid_t>(-1)), 0);
        TemporaryDirectorySetting setting(folder + "/");
        EXPECT_EQ(PosixPlatform().TemporaryDirectory(), c.used ? real + "/" + c.name : "/tmp")
            << c.name;
    }
    // A link, a folder below one that others may write to, a relative path.
    fs::create_directory_symlink(scratch.path + "/private", scratch.path + "/link");
    fs::create_directories(scratch.path + "/world-writable/inner");
    chmod((scratch.path + "/world-writable/inner").c_str(), 0700);
    for (const std::string& refused :
         {scratch.path + "/link", scratch.path + "/link/", scratch.path + "/world-writable/inner",
          std::string("tmp"), scratch.path + "/missing"}) {
        TemporaryDirectorySetting setting(refused);
        EXPECT_EQ(PosixPlatform().TemporaryDirectory(), "/tmp") << refused;
    }
}

TEST(PosixPlatform, CopyGoesIntoTheFolderMadeEvenWhenItsPathIsSwapped) {
    Scratch scratch;
    const std::string source = scratch.path + "/A.app";
    fs::create_directories(source + "/Contents/MacOS");
    std::ofstream(source + "/Contents/MacOS/tool") << "tool";
    PosixPlatform platform;
    const std::string made = scratch.path + "/made";
    const mode_t previous = umask(0777);
    ASSERT_TRUE(platform.CreateDirectory(made));
    umask(previous);
    EXPECT_EQ(Mode(made), 0700u);
    fs::rename(made, scratch.path + "/moved");
    fs::create_directory(scratch.path + "/planted");
    fs::create_directory_symlink(scratch.path + "/planted", made);
    ASSERT_TRUE(platform.CopyItem(source, made + "/Uninstall.app"));
    EXPECT_TRUE(fs::exists(scratch.path + "/moved/Uninstall.app/Contents/MacOS/tool"));
    EXPECT_TRUE(fs::is_empty(scratch.path + "/planted"));
}

TEST(PosixPlatform, AlertsShowControlCharactersEscaped) {
    const auto [printed, button] =
        Alert("Fx\x1b]0;owned\x07\x1b[2J\r\x7f\xc2\x9b\xff\xe2\x80\xae\xe2\x80\xa8\xc3\xa9", "\n");
    EXPECT_EQ(button, UninstallerPlatform::kDefaultButton);
    const std::string shown = "Fx\\x1b]0;owned\\x07\\x1b[2J\\x0d\\x7f\\xc2\\x9b\\xff\\xe2\\x80\\xae"
                              "\\xe2\\x80\\xa8\xc3\xa9";
    EXPECT_EQ(printed, "\nUninstall " + shown + "\nRemove " + shown + "?\n[Cancel] Uninstall \n");
}

TEST(PosixPlatform, AnAnswerIsReadUpToABoundedLengthAndALongerLineAnswersNothing) {
    const std::string prompt = "[Cancel] Uninstall ";
    const std::string kept(4096, ' ');
    struct Case {
        std::string input;
        int button;
        std::string after;
    };
    const Case cases[] = {
        {std::string(1 << 20, 'x') + "\nuninstall\n", UninstallerPlatform::kAlternateButton,
         std::string(4096, 'x') + "\n" + prompt + "uninstall\n"},
        {std::string(4087, ' ') + "Uninstall-not-really\n\n", UninstallerPlatform::kDefaultButton,
         std::string(4087, ' ') + "Uninstall\n" + prompt + "\n"},
        {kept + "Uninstall", UninstallerPlatform::kDefaultButton, kept + "\n" + prompt + "\n"}};
    for (const Case& c : cases) {
        const auto [printed, button] = Alert("P", c.input);
        EXPECT_EQ(button, c.button) << c.input.size();
        EXPECT_EQ(printed, "\nUninstall P\nRemove P?\n" + prompt + c.after) << c.input.size();
    }
}

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

TEST(PosixPlatform, AnAnswerThatIsNoButtonAsksAgain) {
    const std::string prompt = "[Cancel] Uninstall ";
    const struct {
        std::string input;
        int button;
        std::string after;
    } cases[] = {{"maybe\nuninstall\n", UninstallerPlatform::kAlternateButton,
                  "maybe\n" + prompt + "uninstall\n"},
                 {"Uninstal\nCANCEL\n", UninstallerPlatform::kDefaultButton,
                  "Uninstal\n" + prompt + "CANCEL\n"},
                 {"Uninstallxyz\nUninstall\n", UninstallerPlatform::kAlternateButton,
                  "Uninstallxyz\n" + prompt + "Uninstall\n"},
                 {"yes", UninstallerPlatform::kDefaultButton, "yes\n" + prompt + "\n"}};
    for (const auto& c : cases) {
        const auto [printed, button] = Alert("P", c.input);
        EXPECT_EQ(button, c.button) << c.input;
        EXPECT_EQ(printed, "\nUninstall P\nRemove P?\n" + prompt + c.after) << c.input;
    }
}

TEST(PosixPlatform, RightsOfAnOrdinaryUserGoThroughThePrivilegeToolWithTheseCommandLines) {
    const AuthorizationFlags ask = kAuthorizationFlagInteractionAllowed;
    const std::string run = "--|/bin/echo|-uninstall|s|t|-v|\n";
    const struct {
        const char* name;
        int remembered, asked;
        AuthorizationFlags flags;
        OSStatus rights;
        std::string log;
    } cases[] = {
        {"remembered before", 0, 0, ask, errAuthorizationSuccess, "-n|-v|\n" + run},
        {"asked and given", 1, 0, ask, errAuthorizationSuccess, "-n|-v|\n-v|\n" + run + "-k|\n"},
        {"asked and refused", 1, 1, ask, errAuthorizationCanceled, "-n|-v|\n-v|\n"},
        {"not to be asked", 1, 0, kAuthorizationFlagDefaults, errAuthorizationCanceled,
         "-n|-v|\n"}};
    for (const auto& c : cases) {
        Scratch scratch;
        const std::string tool = RecordingPrivilegeTool(scratch.path, c.remembered, c.asked);
        const int status = InChild(/*ordinaryUser=*/true, [&] {
            PosixPlatform platform(tool);
            const auto [rights, output] =
                RunWithRights(platform, c.flags, "/bin/echo", {"-uninstall", "s", "t", "-v"});
            const bool ran = output == (rights == 0 ? "-uninstall s t -v\n" : "");
            return rights == c.rights && ran ? 0 : 1;
        });
        std::ifstream log(scratch.path + "/log");
        EXPECT_EQ(status, 0) << c.name;
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}), c.log) << c.name;
    }
}

TEST(PosixPlatform, ThePrivilegedToolGetsOnlyTheStandardDescriptors) {
    if (!std::filesystem::exists("/proc/self/fd"))
        GTEST_SKIP() << "another process's descriptors are listed under /proc only";
    // Handed down without close-on-exec, as a caller's descriptor may be.
    const int inherited = open("/dev/null", O_RDONLY);
    ASSERT_GT(inherited, STDERR_FILENO);
    for (const bool ordinaryUser : {false, true}) {
        if (!ordinaryUser && geteuid() != 0)
            continue;
        Scratch scratch;
        const std::string tool = RecordingPrivilegeTool(scratch.path, 0, 0);
        const std::string listing = scratch.path + "/descriptors";
        InChild(ordinaryUser, [&] {
            PosixPlatform platform(tool);
            const std::string descriptors =
                RunWithRights(platform, kAuthorizationFlagInteractionAllowed, "/bin/sh",
                              {"-c", "ls /proc/$$/fd; true"})
                    .second;
            std::ofstream(listing) << descriptors;
            return 0;
        });
        std::ifstream printed(listing);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(printed), {}), "0\n1\n2\n")
            << (ordinaryUser ? "through the privilege tool" : "as root");
    }
    close(inherited);
}
