#include "PosixPlatform.h"

#include "ProcessLibrary.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <strings.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

struct AuthorizationOpaqueRef {
    bool administrator = false;
    // sudo remembered the password because of this session, not before it.
    bool credentialsCachedHere = false;
};

namespace {

const char kAdministratorRight[] = "system.privilege.admin";
const char kStandardButton[] = "OK";

// ---- Terminal alerts ----

// Reads one line byte by byte, so that a process started later with the same
// standard input finds the rest of it. False at the end of input.
bool ReadAnswerLine(std::string& line) {
    line.clear();
    for (char c;;) {
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return !line.empty();
        if (c == '\n')
            return true;
        line += c;
    }
}

std::string TrimLine(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

bool SameTitle(const std::string& answer, const std::string& title) {
    return strcasecmp(answer.c_str(), title.c_str()) == 0;
}

// ---- Processes ----

// Descriptors this process was handed beyond the standard three stay open
// here but are not passed on to the programs it starts.
void KeepInheritedDescriptorsFromChildren() {
    DIR* descriptors = opendir("/proc/self/fd");
    if (descriptors == nullptr)
        return;
    const int own = dirfd(descriptors);
    while (const dirent* entry = readdir(descriptors)) {
        const int descriptor = std::atoi(entry->d_name);
        if (descriptor > STDERR_FILENO && descriptor != own)
            fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    }
    closedir(descriptors);
}

bool IsRoot() {
    return geteuid() == 0;
}

// True when this process's group is in the foreground of its controlling
// terminal, as when started from an interactive shell.
bool OwnsTerminal() {
    const int terminal = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0)
        return false;
    const bool owns = tcgetpgrp(terminal) == getpgrp();
    close(terminal);
    return owns;
}

// ---- Files ----

std::string Join(const std::string& directory, const std::string& name) {
    return directory.empty() || directory.back() == '/' ? directory + name : directory + "/" + name;
}

// The path without its last component; "/" stays "/".
std::string Parent(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool CopyFileContent(const std::string& source, const std::string& destination, mode_t mode) {
    const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    bool copied = out >= 0;
    char buffer[64 * 1024];
    while (copied) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            copied = n == 0;
            break;
        }
        for (ssize_t done = 0; copied && done < n;) {
            const ssize_t written = write(out, buffer + done, static_cast<size_t>(n - done));
            if (written < 0 && errno == EINTR)
                continue;
            copied = written > 0;
            done += written > 0 ? written : 0;
        }
    }
    close(in);
    if (out >= 0)
        copied = fchmod(out, mode & 07777) == 0 && close(out) == 0 && copied;
    return copied;
}

// Copies a tree: directories, regular files and symbolic links, with their
// modes. Anything else (a device, a FIFO) fails the copy.
bool CopyTree(const std::string& source, const std::string& destination) {
    struct stat status;
    if (lstat(source.c_str(), &status) != 0)
        return false;
    if (S_ISREG(status.st_mode))
        return CopyFileContent(source, destination, status.st_mode);
    if (S_ISLNK(status.st_mode)) {
        std::string target(static_cast<size_t>(PATH_MAX), '\0');
        const ssize_t n = readlink(source.c_str(), target.data(), target.size());
        return n >= 0 && static_cast<size_t>(n) < target.size() &&
               symlink(target.substr(0, static_cast<size_t>(n)).c_str(), destination.c_str()) == 0;
    }
    if (!S_ISDIR(status.st_mode) || mkdir(destination.c_str(), 0700) != 0)
        return false;
    DIR* directory = opendir(source.c_str());
    if (directory == nullptr)
        return false;
    bool copied = true;
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            copied = CopyTree(Join(source, name), Join(destination, name)) && copied;
    }
    closedir(directory);
    return chmod(destination.c_str(), status.st_mode & 07777) == 0 && copied;
}

} // namespace

class PosixPlatform::InterruptsIgnoredWhileToolRuns : public ProcessLibrary::InterruptsIgnored {};

int PosixPlatform::RunAlert(const std::string& title,
                            const std::optional<std::string>& defaultButton,
                            const std::optional<std::string>& alternateButton,
                            const std::string& informativeText) {
    const std::string defaultTitle = defaultButton.value_or(kStandardButton);
    std::string buttons = "[" + defaultTitle + "]";
    if (alternateButton)
        buttons += " " + *alternateButton;
    std::printf("\n%s\n%s\n", title.c_str(), informativeText.c_str());
    for (std::string line;;) {
        std::printf("%s ", buttons.c_str());
        std::fflush(stdout);
        const bool answered = ReadAnswerLine(line);
        // A terminal shows what was typed; a transcript of piped answers should too.
        if (!isatty(STDIN_FILENO) || !answered)
            std::printf("%s\n", line.c_str());
        if (!answered)
            return kDefaultButton;
        const std::string answer = TrimLine(line);
        if (answer.empty() || SameTitle(answer, defaultTitle))
            return kDefaultButton;
        if (alternateButton && SameTitle(answer, *alternateButton))
            return kAlternateButton;
    }
}

std::string PosixPlatform::ExecutableDirectory() {
    char* path = realpath("/proc/self/exe", nullptr);
    if (path == nullptr)
        return "";
    const std::string directory = Parent(path);
    std::free(path);
    return directory;
}

std::optional<std::string> PosixPlatform::PathForAuxiliaryExecutable(const std::string& name) {
    const std::string directory = ExecutableDirectory();
    if (directory.empty())
        return std::nullopt;
    const std::string path = Join(directory, name);
    struct stat status;
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return path;
}

std::string PosixPlatform::BundlePath() {
    return Parent(Parent(ExecutableDirectory()));
}

std::string PosixPlatform::TemporaryDirectory() {
    const char* directory = std::getenv("TMPDIR");
    return directory != nullptr && directory[0] != '\0' ? directory : "/tmp";
}

std::string PosixPlatform::GloballyUniqueString() {
    unsigned char bytes[16] = {};
    for (size_t done = 0; done < sizeof bytes;) {
        const ssize_t n = getrandom(bytes + done, sizeof bytes - done, 0);
        if (n < 0 && errno != EINTR)
            break;
        done += n > 0 ? static_cast<size_t>(n) : 0;
    }
    // Laid out as a version 4 UUID.
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                  bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

bool PosixPlatform::CreateDirectory(const std::string& path) {
    // Only this user may use it, whatever the umask; an existing name is
    // never reused.
    return mkdir(path.c_str(), 0700) == 0 && chmod(path.c_str(), 0700) == 0;
}

bool PosixPlatform::CopyItem(const std::string& source, const std::string& destination) {
    return CopyTree(source, destination);
}

bool PosixPlatform::LaunchTask(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<std::string> command{path};
    command.insert(command.end(), arguments.begin(), arguments.end());
    int hold[2] = {-1, -1};
    if (OwnsTerminal() && launchedTasksPipe == -1 && pipe(hold) == 0) {
        fcntl(hold[0], F_SETFD, FD_CLOEXEC);
        launchedTasksPipe = hold[0];
    }
    // A middle process starts the task and exits at once, so the task is
    // adopted by init and never left as a zombie; its exit tells whether the
    // task started.
    std::fflush(nullptr);
    const pid_t middle = fork();
    if (middle == 0)
        _exit(ProcessLibrary::Spawn(command) < 0 ? 1 : 0);
    if (hold[1] != -1)
        close(hold[1]);
    return middle > 0 && ProcessLibrary::WaitForExit(middle) == 0;
}

void PosixPlatform::KeepTerminalForLaunchedTasks() {
    if (launchedTasksPipe == -1)
        return;
    ProcessLibrary::InterruptsIgnored interrupts;
    char ignored;
    for (ssize_t n = 1; n > 0 || (n < 0 && errno == EINTR);)
        n = read(launchedTasksPipe, &ignored, 1);
    close(launchedTasksPipe);
    launchedTasksPipe = -1;
}

PosixPlatform::PosixPlatform() {
    // Children are waited for, so their exits must not be discarded; and a
    // reader that went away must not end this process with a signal.
    signal(SIGCHLD, SIG_DFL);
    signal(SIGPIPE, SIG_IGN);
    KeepInheritedDescriptorsFromChildren();
}

PosixPlatform::~PosixPlatform() {
    if (launchedTasksPipe != -1)
        close(launchedTasksPipe);
}

void PosixPlatform::ActivateIgnoringOtherApps() {
    // A terminal program is in front already.
}

OSStatus PosixPlatform::AuthorizationCreate(AuthorizationFlags, AuthorizationRef* authorization) {
    *authorization = new AuthorizationOpaqueRef;
    return errAuthorizationSuccess;
}

OSStatus PosixPlatform::AuthorizationCopyRights(AuthorizationRef authorization, const char* right,
                                                AuthorizationFlags flags) {
    if (authorization == nullptr || std::strcmp(right, kAdministratorRight) != 0)
        return errAuthorizationDenied;
    if (!IsRoot() && ProcessLibrary::Run({"sudo", "-n", "-v"}, {-1, true}) != 0) {
        // sudo asks for the password on the terminal, unless asking is not allowed.
        if ((flags & kAuthorizationFlagInteractionAllowed) == 0 ||
            ProcessLibrary::Run({"sudo", "-v"}) != 0)
            return errAuthorizationCanceled;
        authorization->credentialsCachedHere = true;
    }
    authorization->administrator = true;
    return errAuthorizationSuccess;
}

OSStatus PosixPlatform::AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                           const char* toolPath, AuthorizationFlags,
                                                           char* const* arguments,
                                                           ToolOutput* output) {
    if (authorization == nullptr || !authorization->administrator)
        return errAuthorizationDenied;
    std::vector<std::string> command;
    if (!IsRoot())
        command = {"sudo", "--"};
    command.push_back(toolPath);
    for (char* const* argument = arguments; *argument != nullptr; ++argument)
        command.push_back(*argument);
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return errAuthorizationToolExecuteFailure;
    const long process = ProcessLibrary::Spawn(command, {channel[1], false});
    close(channel[1]);
    if (process < 0) {
        close(channel[0]);
        return errAuthorizationToolExecuteFailure;
    }
    output->descriptor = channel[0];
    output->process = process;
    toolInterrupts = std::make_unique<InterruptsIgnoredWhileToolRuns>();
    return errAuthorizationSuccess;
}

long PosixPlatform::ReadToolOutput(const ToolOutput& output, char* buffer, unsigned long size) {
    ssize_t n;
    do
        n = read(output.descriptor, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

int PosixPlatform::ToolExitStatus(const ToolOutput& output) {
    close(output.descriptor);
    const int status = ProcessLibrary::WaitForExit(output.process);
    toolInterrupts.reset();
    return status;
}

OSStatus PosixPlatform::AuthorizationFree(AuthorizationRef authorization,
                                          AuthorizationFlags flags) {
    // Destroying the rights forgets the password sudo remembered for them,
    // but not one the user had given before.
    if (authorization != nullptr && authorization->credentialsCachedHere &&
        (flags & kAuthorizationFlagDestroyRights) != 0)
        ProcessLibrary::Run({"sudo", "-k"});
    delete authorization;
    return errAuthorizationSuccess;
}
