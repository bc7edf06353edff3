#include "DetachedTasks.h"

#include "DescriptorInheritance.h"
#include "ProcessLibrary.h"
#include "SystemCall.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// True when this process's group is in the foreground of its controlling
// terminal, as when started from an interactive shell.
bool OwnsTerminal() {
    const Descriptor terminal(open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC));
    return terminal.IsOpen() && tcgetpgrp(terminal.Get()) == getpgrp();
}

} // namespace

bool DetachedTasks::Launch(const std::vector<std::string>& command) {
    // The write end is inherited by the task through the middle process.
    int hold[2] = {-1, -1};
    if (OwnsTerminal() && !terminalTasks.IsOpen() && DescriptorInheritance::OpenPipe(hold)) {
        fcntl(hold[1], F_SETFD, 0);
        terminalTasks.Reset(hold[0]);
    }
    // A middle process starts the task and exits at once; its exit tells
    // whether the task started.
    std::fflush(nullptr);
    const pid_t middle = DescriptorInheritance::Fork();
    if (middle == 0)
        _exit(ProcessLibrary::Spawn(command) < 0 ? 1 : 0);
    if (hold[1] != -1)
        close(hold[1]);
    return middle > 0 && ProcessLibrary::WaitForExit(middle) == 0;
}

void DetachedTasks::WaitForTerminalTasks() {
    if (!terminalTasks.IsOpen())
        return;
    ProcessLibrary::InterruptsIgnored interrupts;
    char ignored;
    while (SystemCall::RetryOnEintr([&] { return read(terminalTasks.Get(), &ignored, 1); }) > 0) {
    }
    terminalTasks.Reset();
}
