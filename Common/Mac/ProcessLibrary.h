// ProcessLibrary: starting programs without a shell, and waiting for them.
//
// Each argument reaches the program as exactly one argument with its text
// unchanged: nothing is interpreted by a shell.
//
//   ProcessLibrary::Run({"mkdir", "-p", "--", path});   // its exit status
#ifndef QE_PROCESSLIBRARY_H
#define QE_PROCESSLIBRARY_H

#include <csignal>
#include <string>
#include <vector>

/// Where a started program's output goes.
struct ProcessOutput {
    /// The descriptor for standard output; -1 keeps this process's.
    int descriptor = -1;
    /// Standard error to /dev/null.
    bool quietErrors = false;
};

class ProcessLibrary {
public:
    using Output = ProcessOutput;

    /// Ignores the terminal's interrupt and quit keys while it lives, as
    /// system() does while its command runs: they reach the whole foreground
    /// group, the child decides what they mean, and this process goes on to
    /// see how the child ended.
    class InterruptsIgnored {
    public:
        InterruptsIgnored();
        ~InterruptsIgnored();
        InterruptsIgnored(const InterruptsIgnored&) = delete;
        InterruptsIgnored& operator=(const InterruptsIgnored&) = delete;

    private:
        void (*previousInterrupt)(int);
        void (*previousQuit)(int);
    };

    /// Starts `arguments[0]` (looked up in PATH when it has no slash) with
    /// the default handling of every signal. Its process id, or -1 when it
    /// could not be started (exec failing included).
    static long Spawn(const std::vector<std::string>& arguments, const Output& output = {});
    /// The exit status, 128 plus the signal that ended it, or -1 when it
    /// cannot be waited for.
    static int WaitForExit(long process);
    /// Spawn, then WaitForExit, with the interrupt keys ignored meanwhile;
    /// -1 when it could not be started.
    static int Run(const std::vector<std::string>& arguments, const Output& output = {});
};

#endif
