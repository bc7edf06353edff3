// ToolRun: runs a program of the project as a person would from a shell, but
// through ProcessLibrary, without one: each argument reaches it as given.
//
//   RunTool({QE_SKUINFO_PATH, "--families", path});          // .status, .out, .err
//   RunTool({QE_SKUINFO_PATH, fifo}, {std::chrono::seconds(5)});
//   RunTool({"/usr/bin/prlimit", "--stack=524288", "--", QE_SKUINFO_PATH, path});
#ifndef QE_TESTS_TOOLRUN_H
#define QE_TESTS_TOOLRUN_H

#include "DescriptorInheritance.h"
#include "ProcessLibrary.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

struct ToolRun {
    /// The exit status, 128 plus the signal that ended it, or -1 when the
    /// program could not be started or ran past its limit (it is then killed).
    int status = -1;
    std::string out, err;
};

struct ToolRunOptions {
    /// How long the program may run.
    std::chrono::milliseconds limit = std::chrono::seconds(60);
    /// The reader of standard output goes away at once, as `tool | true`:
    /// every write to it fails with EPIPE (or SIGPIPE, unless ignored).
    bool outputClosed = false;
};

namespace toolrun {

// A pipe whose ends are closed on exec; ProcessLibrary hands the child its
// write end as a standard stream.
struct Pipe {
    int readEnd = -1, writeEnd = -1;
    Pipe() {
        int ends[2];
        if (DescriptorInheritance::OpenPipe(ends)) {
            readEnd = ends[0];
            writeEnd = ends[1];
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void CloseRead() {
        if (readEnd >= 0)
            close(readEnd);
        readEnd = -1;
    }
    void CloseWrite() {
        if (writeEnd >= 0)
            close(writeEnd);
        writeEnd = -1;
    }
};

// Reads both pipes to their end, or until `deadline`; false when it came first.
inline bool ReadUntilEnd(Pipe& out, Pipe& err, ToolRun& run,
                         std::chrono::steady_clock::time_point deadline) {
    pollfd streams[2] = {{out.readEnd, POLLIN, 0}, {err.readEnd, POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    for (;;) {
        if (streams[0].fd < 0 && streams[1].fd < 0)
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || poll(streams, 2, static_cast<int>(left.count())) == 0)
            return false;
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd < 0 || streams[i].revents == 0)
                continue;
            char chunk[4096];
            const ssize_t n = read(streams[i].fd, chunk, sizeof chunk);
            if (n > 0)
                sinks[i]->append(chunk, static_cast<size_t>(n));
            else
                streams[i].fd = -1;
        }
    }
}

} // namespace toolrun

/// Runs the program at the absolute path `arguments[0]` with standard input
/// empty (/dev/null: no run waits for a person), capturing standard output
/// and standard error apart.
inline ToolRun RunTool(const std::vector<std::string>& arguments,
                       const ToolRunOptions& options = {}) {
    ToolRun run;
    toolrun::Pipe out, err;
    const int empty = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out.readEnd < 0 || err.readEnd < 0 || empty < 0) {
        if (empty >= 0)
            close(empty);
        return run;
    }
    if (options.outputClosed)
        out.CloseRead();
    ProcessLibrary::ChildExitsKept exits;
    const long process = ProcessLibrary::Spawn(
        arguments, {out.writeEnd, /*quietErrors=*/false, err.writeEnd, /*inputDescriptor=*/empty});
    close(empty);
    out.CloseWrite();
    err.CloseWrite();
    if (process < 0)
        return run;
    const bool ended =
        toolrun::ReadUntilEnd(out, err, run, std::chrono::steady_clock::now() + options.limit);
    if (!ended)
        kill(static_cast<pid_t>(process), SIGKILL);
    const int status = ProcessLibrary::WaitForExit(process);
    run.status = ended ? status : -1;
    return run;
}

#endif
