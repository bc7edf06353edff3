// DescriptorInheritance: keeping descriptors from the programs this process starts.
//
// A pipe made here is closed on exec before any program can be started with
// it, even from another thread: where the system cannot make it so in one call
// (macOS), its making and every fork made here exclude each other. The
// descriptors this process was handed are marked so before it starts any.
//
//   int ends[2];
//   if (DescriptorInheritance::OpenPipe(ends)) ...
//   const pid_t child = DescriptorInheritance::Fork();
#ifndef QE_DESCRIPTORINHERITANCE_H
#define QE_DESCRIPTORINHERITANCE_H

#include <sys/types.h>

class DescriptorInheritance {
public:
    /// Descriptors marked at most when the system lists none: Linux's default
    /// ceiling for one process, above macOS's.
    static constexpr int kMaxDescriptors = 1 << 20;

    /// A pipe whose two ends are closed on exec; false, with errno, when
    /// none could be made.
    static bool OpenPipe(int ends[2]);
    /// fork(), never while a pipe of OpenPipe is still without its marks.
    static pid_t Fork();
    /// Marks every open descriptor above 2 closed on exec: those the folder
    /// /dev/fd lists, or when it lists no descriptor of this process's, every
    /// number below DescriptorLimit().
    static void MarkInheritedCloseOnExec();

    /// Marks each descriptor above 2 that the folder `listing` names; false,
    /// marking nothing, when it cannot be read or does not name the
    /// descriptor it is read through (it lists no open descriptors of this
    /// process's).
    static bool MarkListedCloseOnExec(const char* listing);
    /// Marks each open descriptor from 3 to `limit` - 1.
    static void MarkCloseOnExecBelow(int limit);
    /// One above the highest descriptor this process can hold: its hard
    /// RLIMIT_NOFILE (a soft one may have been lowered after a descriptor was
    /// opened), at most kMaxDescriptors.
    static int DescriptorLimit();
};

#endif
