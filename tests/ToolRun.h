// Runs a command-line tool of the project and captures what it prints.
#ifndef QE_TESTS_TOOLRUN_H
#define QE_TESTS_TOOLRUN_H

#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct ToolRun {
    int status;
    std::string output;
};

// Runs `tool` through the shell with `arguments` (already quoted as the
// shell needs), capturing standard output and standard error together.
inline ToolRun RunTool(const std::string& tool, const std::string& arguments) {
    const std::string command = tool + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {-1, ""};
    std::string output;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

struct ToolOutput {
    int status;
    std::string out, err;
};

// Runs `tool` with `arguments` exactly as given, without a shell, keeping
// standard output and standard error apart. Status -1 when the tool could not
// be started, was killed, or ran past `limit` (then it is killed).
inline ToolOutput RunToolArgs(const std::string& tool, const std::vector<std::string>& arguments,
                              std::chrono::seconds limit = std::chrono::seconds(60)) {
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int out[2], err[2];
    if (pipe(out) != 0)
        return {-1, "", ""};
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return {-1, "", ""};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {out[0], out[1], err[0], err[1]})
            close(fd);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    ToolOutput result{-1, "", ""};
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool late = pid < 0;
    for (int open = 2; open > 0 && !late;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ready = left.count() > 0 ? poll(fds, 2, static_cast<int>(left.count())) : 0;
        late = ready == 0;
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char chunk[4096];
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n > 0) {
                sinks[i]->append(chunk, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    close(out[0]);
    close(err[0]);
    if (pid < 0)
        return result;
    if (late)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = !late && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

#endif
