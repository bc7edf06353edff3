// ProcessLibrary: starting programs without a shell, and waiting for them.
//
// Each argument reaches the program as exactly one argument with its text
// unchanged: nothing is interpreted by a shell. Programs are named by absolute
// path and never looked up in PATH, so no folder in the caller's PATH can put
// its own program in their place.
//
//   ProcessLibrary::Run({"/bin/mkdir", "-p", "--", path});   // its exit status
//   ProcessLibrary::Run({"mkdir", path});                    // -1: not an absolute path
#ifndef QE_PROCESSLIBRARY_H
#define QE_PROCESSLIBRARY_H

#include <csignal>
#include <string>
#include <vector>

/// Where a started program's standard streams come from and go. Each
/// descriptor is this process's own stream number or one above 2; the same
/// descriptor may serve standard output and standard error together.
struct ProcessOutput {
    /// The descriptor for standard output; -1 keeps this process's.
    int descriptor = -1;
    /// Standard error to /dev/null, whatever `errorDescriptor` says.
    bool quietErrors = false;
    /// The descriptor for standard error; -1 keeps this process's.
    int errorDescriptor = -1;
    /// The descriptor for standard input; -1 keeps this process's.
    int inputDescriptor = -1;
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

    /// Keeps the exits of children to be waited for while it lives, whatever
    /// the caller set for SIGCHLD: an ignored SIGCHLD (or SA_NOCLDWAIT) would
    /// let the system discard an exit status before it is taken, and a
    /// handler of the caller's could take it first, so the signal goes back to
    /// its default and is blocked meanwhile, as system() blocks it.
    class ChildExitsKept {
    public:
        ChildExitsKept();
        ~ChildExitsKept();
        ChildExitsKept(const ChildExitsKept&) = delete;
        ChildExitsKept& operator=(const ChildExitsKept&) = delete;

    private:
        struct sigaction previousAction;
        sigset_t previousMask;
    };

    /// Marks every descriptor this process was handed beyond 0, 1 and 2 to be
    /// closed on exec: they stay open here but no program started later gets
    /// them. Call it before starting any program.
    static void KeepInheritedDescriptorsFromChildren();
    /// Starts the program at the absolute path `arguments[0]` with the default
    /// handling of every catchable signal and an empty signal mask, whatever
    /// this process ignores or blocks. Its process id, or -1 when it could not
    /// be started (a path that is not absolute, exec failing included).
    static long Spawn(const std::vector<std::string>& arguments, const Output& output = {});
    /// The exit status, 128 plus the signal that ended it, or -1 when it
    /// cannot be waited for (as when SIGCHLD was ignored when it ended: hold a
    /// ChildExitsKept from Spawn to here).
    static int WaitForExit(long process);
    /// Spawn, then WaitForExit, with the interrupt keys ignored and child
    /// exits kept meanwhile; -1 when it could not be started.
    static int Run(const std::vector<std::string>& arguments, const Output& output = {});
};

#endif
