#include "ProcessLibrary.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The lines of /proc/self/status that a program started by Run sees for
// its ignored and blocked signals.
std::string SignalsOfAStartedProgram() {
    char name[] = "/tmp/qe-process-XXXXXX";
    const int file = mkstemp(name);
    ProcessLibrary::Run({"/bin/grep", "-E", "^Sig(Ign|Blk)", "/proc/self/status"}, {file, false});
    std::string text(4096, '\0');
    text.resize(static_cast<size_t>(pread(file, text.data(), text.size(), 0)));
    close(file);
    unlink(name);
    return text;
}

void ReapEverything(int) {
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

} // namespace

TEST(ProcessLibraryRun, ProgramsAreNamedByAbsolutePathOnly) {
    EXPECT_EQ(ProcessLibrary::Run({"/bin/sh", "-c", "exit 3"}), 3);
    for (const char* name : {"sh", "./sh", "bin/sh", ""})
        EXPECT_EQ(ProcessLibrary::Run({name, "-c", "exit 0"}), -1) << name;
    EXPECT_EQ(ProcessLibrary::Run({}), -1);
}

TEST(ProcessLibraryRun, StartedProgramsGetDefaultSignalsAndAnEmptyMask) {
    for (int ignored : {SIGHUP, SIGTERM, SIGUSR2, SIGINT, SIGPIPE})
        signal(ignored, SIG_IGN);
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigaddset(&blocked, SIGALRM);
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    const std::string signals = SignalsOfAStartedProgram();
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    for (int ignored : {SIGHUP, SIGTERM, SIGUSR2, SIGINT, SIGPIPE})
        signal(ignored, SIG_DFL);
    EXPECT_EQ(signals, "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n");
}

TEST(ProcessLibraryRun, ExitStatusDoesNotDependOnTheCallersChildSignal) {
    struct Setting {
        const char* what;
        void (*handler)(int);
        int flags;
    };
    const Setting settings[] = {{"ignored", SIG_IGN, 0},
                                {"no zombies", SIG_DFL, SA_NOCLDWAIT},
                                {"a handler that reaps every child", ReapEverything, 0}};
    for (const Setting& setting : settings) {
        struct sigaction action {
        }, previous{};
        action.sa_handler = setting.handler;
        action.sa_flags = setting.flags;
        sigaction(SIGCHLD, &action, &previous);
        const int status = ProcessLibrary::Run({"/bin/sh", "-c", "exit 5"});
        struct sigaction after {};
        sigaction(SIGCHLD, &previous, &after);
        EXPECT_EQ(status, 5) << setting.what;
        EXPECT_EQ(after.sa_handler, setting.handler) << setting.what << ": restored";
    }
}
