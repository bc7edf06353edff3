// Runs a command-line tool of the project and captures what it prints.
#ifndef QE_TESTS_TOOLRUN_H
#define QE_TESTS_TOOLRUN_H

#include <cstdio>
#include <string>
#include <sys/wait.h>

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

#endif
