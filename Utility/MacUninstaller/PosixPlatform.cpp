#include "PosixPlatform.h"

#include "PrintableText.h"
#include "ProcessLibrary.h"
#include "SystemCall.h"
#include "TreeCopy.h"

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

const char kStandardButton[] = "OK";
// By absolute path: a PATH of the caller's must not choose what asks for the
// password or runs the tool.
const char kSudo[] = "/usr/bin/sudo";

// ---- Terminal alerts ----

// An answer is a button's title; anything longer than this is not one, and
// is not kept however long it runs.
const std::size_t kMaxAnswerLength = 4096;

enum class AnswerLine { Read, TooLong, End };

// Reads one line byte by byte, so that a process started later with the same
// standard input finds the rest of it. A line longer than kMaxAnswerLength is
// read up to its newline, but only its start is kept, and it answers nothing.
AnswerLine ReadAnswerLine(std::string& line) {
    line.clear();
    bool readAny = false;
    bool tooLong = false;
    for (char c;;) {
        const ssize_t n = SystemCall::RetryOnEintr([&] { return read(STDIN_FILENO, &c, 1); });
        if (n <= 0 && !readAny)
            return AnswerLine::End;
        if (n <= 0 || c == '\n')
            return tooLong ? AnswerLine::TooLong : AnswerLine::Read;
        readAny = true;
        tooLong = tooLong || line.size() == kMaxAnswerLength;
        if (!tooLong)
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
    return answer.size() == title.size() &&
           strncasecmp(answer.c_str(), title.c_str(), title.size()) == 0;
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

std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    const std::string text = real != nullptr ? real : "";
    std::free(real);
    return text;
}

// Only this user or root can rename or replace what a folder holds: it
// belongs to one of them, and others may not write to it unless the sticky
// bit keeps them to their own entries.
bool IsGuardedFolder(const struct stat& status) {
    const bool ownedByUserOrRoot = status.st_uid == geteuid() || status.st_uid == 0;
    const bool othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return S_ISDIR(status.st_mode) && ownedByUserOrRoot &&
           (!othersMayWrite || (status.st_mode & S_ISVTX) != 0);
}

// True when `path` is absolute and names a folder itself, not a link to one
// (trailing separators aside).
bool IsRealFolder(const std::string& path) {
    const std::size_t end = path.find_last_not_of('/');
    struct stat status;
    return !path.empty() && path[0] == '/' &&
           lstat(end == std::string::npos ? "/" : path.substr(0, end + 1).c_str(), &status) == 0 &&
           S_ISDIR(status.st_mode);
}

// True when no other user can swap what the resolved path `real` leads to:
// it and every folder above it are guarded.
bool IsGuardedPath(const std::string& real) {
    struct stat status;
    for (std::size_t slash = 0; slash != std::string::npos; slash = real.find('/', slash + 1)) {
        const std::string folder = slash == 0 ? "/" : real.substr(0, slash);
        if (lstat(folder.c_str(), &status) != 0 || !IsGuardedFolder(status))
            return false;
    }
    return lstat(real.c_str(), &status) == 0 && IsGuardedFolder(status);
}

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

} // namespace

class PosixPlatform::InterruptsIgnoredWhileToolRuns : public ProcessLibrary::InterruptsIgnored {};

int PosixPlatform::RunAlert(const std::string& title,
                            const std::optional<std::string>& defaultButton,
                            const std::optional<std::string>& alternateButton,
                            const std::string& informativeText) {
    const std::string defaultTitle = defaultButton.value_or(kStandardButton);
    std::string buttons = "[" + PrintableText::Escaped(defaultTitle) + "]";
    if (alternateButton)
        buttons += " " + PrintableText::Escaped(*alternateButton);
    std::printf("\n%s\n%s\n", PrintableText::Escaped(title).c_str(),
                PrintableText::Escaped(informativeText).c_str());
    for (std::string line;;) {
        std::printf("%s ", buttons.c_str());
        std::fflush(stdout);
        const AnswerLine read = ReadAnswerLine(line);
        // A terminal shows what was typed; a transcript of piped answers should too.
        if (!isatty(STDIN_FILENO) || read == AnswerLine::End)
            std::printf("%s\n", PrintableText::Escaped(line).c_str());
        if (read == AnswerLine::End)
            return kDefaultButton;
        if (read == AnswerLine::TooLong)
            continue;
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
    // A link is not followed: one in a copied bundle could lead anywhere,
    // and what it leads to would be run or read with administrator rights.
    struct stat status;
    if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return path;
}

std::string PosixPlatform::BundlePath() {
    return Parent(Parent(ExecutableDirectory()));
}

std::string PosixPlatform::TemporaryDirectory() {
    // Resolved once: what is checked is what is used.
    const char* directory = std::getenv("TMPDIR");
    const std::string real =
        directory != nullptr && IsRealFolder(directory) ? RealPath(directory) : "";
    return !real.empty() && IsGuardedPath(real) ? real : "/tmp";
}

std::string PosixPlatform::GloballyUniqueString() {
    unsigned char bytes[16] = {};
    for (size_t done = 0; done < sizeof bytes;) {
        const ssize_t n = SystemCall::RetryOnEintr(
            [&] { return getrandom(bytes + done, sizeof bytes - done, 0); });
        if (n < 0)
            break;
        done += static_cast<size_t>(n);
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
    // An existing name is never reused. Only this user may use the folder,
    // whatever the umask; its mode is set through its descriptor, so nothing
    // put in its place meanwhile is changed.
    if (mkdir(path.c_str(), 0700) != 0)
        return false;
    const int directory = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status;
    if (directory < 0 || fstat(directory, &status) != 0 || status.st_uid != geteuid() ||
        fchmod(directory, 0700) != 0) {
        if (directory >= 0)
            close(directory);
        return false;
    }
    ForgetCreatedDirectory();
    createdDirectory = {path, directory};
    return true;
}

bool PosixPlatform::CopyItem(const std::string& source, const std::string& destination) {
    const std::string parent = Parent(destination);
    const std::string name = destination.substr(destination.find_last_of('/') + 1);
    // Into the folder made here, the copy goes through the descriptor taken
    // when it was made: a folder put in its place cannot receive it.
    if (createdDirectory.descriptor >= 0 && parent == createdDirectory.path)
        return TreeCopy::CopyFolderAt(source, createdDirectory.descriptor, name);
    const int directory = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0)
        return false;
    const bool copied = TreeCopy::CopyFolderAt(source, directory, name);
    close(directory);
    return copied;
}

void PosixPlatform::ForgetCreatedDirectory() {
    if (createdDirectory.descriptor >= 0)
        close(createdDirectory.descriptor);
    createdDirectory = {};
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
    while (SystemCall::RetryOnEintr([&] { return read(launchedTasksPipe, &ignored, 1); }) > 0) {
    }
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
    ForgetCreatedDirectory();
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
    if (!IsRoot() && ProcessLibrary::Run({kSudo, "-n", "-v"}, {-1, true}) != 0) {
        // sudo asks for the password on the terminal, unless asking is not allowed.
        if ((flags & kAuthorizationFlagInteractionAllowed) == 0 ||
            ProcessLibrary::Run({kSudo, "-v"}) != 0)
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
        command = {kSudo, "--"};
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
    return SystemCall::RetryOnEintr([&] { return read(output.descriptor, buffer, size); });
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
        ProcessLibrary::Run({kSudo, "-k"});
    delete authorization;
    return errAuthorizationSuccess;
}
