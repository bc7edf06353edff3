#include "ProcessLibrary.h"

#include "DescriptorInheritance.h"
#include "Outcome.h"
#include "SystemCall.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<char*> ArgumentVector(const std::vector<std::string>& arguments) {
    std::vector<char*> vector;
    for (const std::string& argument : arguments)
        vector.push_back(const_cast<char*>(argument.c_str()));
    vector.push_back(nullptr);
    return vector;
}

// In the new child, before exec: an ignored signal stays ignored across exec,
// and so does the mask, so the program would inherit whatever this process or
// its own caller chose. Every catchable signal goes back to its default.
void RestoreDefaultSignals() {
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
        if (signalNumber != SIGKILL && signalNumber != SIGSTOP)
            signal(signalNumber, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Makes `descriptor` the child's stream `stream`, or leaves the stream as it
// is for -1. A descriptor that is already the stream only loses close-on-exec.
void ConnectStream(int descriptor, int stream) {
    if (descriptor == stream)
        fcntl(stream, F_SETFD, 0);
    else if (descriptor != -1 && dup2(descriptor, stream) < 0)
        _exit(127);
}

void ConnectStreams(const ProcessLibrary::Output& output) {
    ConnectStream(output.inputDescriptor, STDIN_FILENO);
    ConnectStream(output.descriptor, STDOUT_FILENO);
    ConnectStream(output.errorDescriptor, STDERR_FILENO);
    if (output.quietErrors) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0 && null != STDERR_FILENO) {
            dup2(null, STDERR_FILENO);
            close(null);
        }
    }
}

// The child's side of Spawn: only async-signal-safe calls until exec, and
// exec's error sent back on `report` when it fails.
[[noreturn]] void ExecInChild(std::vector<char*>& argv, const ProcessLibrary::Output& output,
                              int report) {
    RestoreDefaultSignals();
    ConnectStreams(output);
    execv(argv[0], argv.data());
    const int error = errno;
    ssize_t ignored = write(report, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// The parent's side of Spawn: `report` ends without a byte once the child
// exec'd. A failed exec's child is waited for.
Outcome AwaitExecReport(pid_t child, int report) {
    const Outcome forked = child < 0 ? Outcome::FromErrno("cannot fork") : Outcome::Success();
    int error = 0;
    const ssize_t n = SystemCall::RetryOnEintr([&] { return read(report, &error, sizeof error); });
    close(report);
    if (!forked || n <= 0)
        return forked;
    ProcessLibrary::WaitForExit(child);
    errno = error;
    return Outcome::FromErrno("cannot run the program");
}

Outcome Start(const std::vector<std::string>& arguments, const ProcessLibrary::Output& output,
              pid_t& child) {
    if (arguments.empty() || arguments[0].empty() || arguments[0][0] != '/')
        return Outcome::Failure(0, "not a program named by an absolute path");
    std::vector<char*> argv = ArgumentVector(arguments);
    // A pipe closed on exec carries a failure of exec back.
    int report[2];
    if (!DescriptorInheritance::OpenPipe(report))
        return Outcome::FromErrno("cannot make a pipe");
    std::fflush(nullptr);
    child = DescriptorInheritance::Fork();
    if (child == 0)
        ExecInChild(argv, output, report[1]);
    close(report[1]);
    return AwaitExecReport(child, report[0]);
}

Outcome WaitFor(long process, int& status) {
    if (SystemCall::RetryOnEintr([&] { return waitpid(static_cast<pid_t>(process), &status, 0); }) <
        0)
        return Outcome::FromErrno("cannot wait for the program");
    return Outcome::Success();
}

// The exit status, or 128 plus the signal that ended it.
int ExitStatusOf(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

} // namespace

ProcessLibrary::InterruptsIgnored::InterruptsIgnored()
    : previousInterrupt(signal(SIGINT, SIG_IGN)), previousQuit(signal(SIGQUIT, SIG_IGN)) {}

ProcessLibrary::InterruptsIgnored::~InterruptsIgnored() {
    signal(SIGINT, previousInterrupt);
    signal(SIGQUIT, previousQuit);
}

ProcessLibrary::ChildExitsKept::ChildExitsKept() {
    struct sigaction keep {};
    keep.sa_handler = SIG_DFL;
    sigemptyset(&keep.sa_mask);
    sigaction(SIGCHLD, &keep, &previousAction);
    sigset_t childExits;
    sigemptyset(&childExits);
    sigaddset(&childExits, SIGCHLD);
    pthread_sigmask(SIG_BLOCK, &childExits, &previousMask);
}

ProcessLibrary::ChildExitsKept::~ChildExitsKept() {
    sigaction(SIGCHLD, &previousAction, nullptr);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

void ProcessLibrary::KeepInheritedDescriptorsFromChildren() {
    DescriptorInheritance::MarkInheritedCloseOnExec();
}

long ProcessLibrary::Spawn(const std::vector<std::string>& arguments, const Output& output) {
    pid_t child = -1;
    return Start(arguments, output, child) ? child : -1;
}

int ProcessLibrary::WaitForExit(long process) {
    int status = 0;
    return WaitFor(process, status) ? ExitStatusOf(status) : -1;
}

int ProcessLibrary::Run(const std::vector<std::string>& arguments, const Output& output) {
    InterruptsIgnored interrupts;
    ChildExitsKept exits;
    const long process = Spawn(arguments, output);
    return process < 0 ? -1 : WaitForExit(process);
}
