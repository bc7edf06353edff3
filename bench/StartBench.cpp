// Uninstaller start: from starting the program to reading its confirmation
// alert, answered by the end of input. A program that only prints the same
// text is timed beside it, as the floor any start has on this machine.

#include "Bench.h"

#include "DescriptorInheritance.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench {

namespace {

const char kEcho[] = "/bin/echo";

// Seconds from the start of the program until `text` has been read from its
// output; -1 when it never comes or the program fails.
double SecondsUntil(const std::vector<std::string>& arguments, const std::string& text) {
    const auto begin = std::chrono::steady_clock::now();
    Started started = Start(arguments, true);
    if (started.pid < 0)
        return -1;
    std::string output;
    bool seen = false;
    char buffer[4096];
    while (!seen) {
        const ssize_t n = read(started.output, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(n));
        seen = output.find(text) != std::string::npos;
    }
    const auto end = std::chrono::steady_clock::now();
    if (Finish(started) != 0 || !seen)
        return -1;
    return std::chrono::duration<double>(end - begin).count();
}

void RegisterStart(const char* name, const std::vector<std::string>& arguments) {
    // Also the first, cold start, which the median leaves out.
    if (SecondsUntil(arguments, kConfirmationEnd) < 0) {
        std::fprintf(stderr, "QeBench: %s does not show \"%s\"\n", arguments[0].c_str(),
                     kConfirmationEnd);
        std::exit(1);
    }
    benchmark::RegisterBenchmark(name,
                                 [arguments](benchmark::State& state) {
                                     for (auto _ : state) {
                                         const double seconds =
                                             SecondsUntil(arguments, kConfirmationEnd);
                                         if (seconds < 0) {
                                             state.SkipWithError("no confirmation text");
                                             break;
                                         }
                                         state.SetIterationTime(seconds);
                                     }
                                 })
        ->Iterations(1)
        ->Repetitions(kStartRuns)
        ->UseManualTime();
}

} // namespace

Started Start(const std::vector<std::string>& arguments, bool quiet) {
    Started started;
    int pipeEnds[2];
    if (!DescriptorInheritance::OpenPipe(pipeEnds))
        return started;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (error != 0) {
        close(pipeEnds[0]);
        return started;
    }
    started.pid = pid;
    started.output = pipeEnds[0];
    return started;
}

int Finish(Started& started, long* peakKiB) {
    // Drained first: a program that still writes must not die of a closed pipe.
    char buffer[4096];
    for (ssize_t n; (n = read(started.output, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno != EINTR)
            break;
    }
    close(started.output);
    started.output = -1;
    int status = 0;
    rusage usage{};
    while (wait4(started.pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (peakKiB != nullptr)
        *peakKiB = usage.ru_maxrss;
    started.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void RegisterStartBenchmarks(const std::string& uninstallPath) {
    RegisterStart(kStartUninstall, {uninstallPath});
    RegisterStart(kStartEcho, {kEcho, kConfirmationEnd});
}

} // namespace bench
