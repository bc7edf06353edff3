#include "DescriptorInheritance.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

// Held from a pipe's making to its marks, and across each fork made here: a
// child forked in between would hand the bare ends to the program it runs.
std::mutex& DescriptorsBeingMarked() {
    static std::mutex lock;
    return lock;
}

bool MarkBothCloseOnExec(const int ends[2]) {
    return fcntl(ends[0], F_SETFD, FD_CLOEXEC) == 0 && fcntl(ends[1], F_SETFD, FD_CLOEXEC) == 0;
}

} // namespace

bool DescriptorInheritance::OpenPipe(int ends[2]) {
    const std::lock_guard<std::mutex> guard(DescriptorsBeingMarked());
    if (pipe(ends) != 0)
        return false;
    if (MarkBothCloseOnExec(ends))
        return true;
    const int error = errno;
    close(ends[0]);
    close(ends[1]);
    errno = error;
    return false;
}

// The child gets the lock held, as the forking thread left it, and releases
// it too, as pthread_atfork handlers do: it may make pipes of its own.
pid_t DescriptorInheritance::Fork() {
    const std::lock_guard<std::mutex> guard(DescriptorsBeingMarked());
    return fork();
}
