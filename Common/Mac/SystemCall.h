// SystemCall: system calls made again when a signal interrupted them.
//
//   const ssize_t n = SystemCall::RetryOnEintr([&] { return read(fd, buffer, size); });
#ifndef QE_SYSTEMCALL_H
#define QE_SYSTEMCALL_H

#include <cerrno>

class SystemCall {
public:
    /// Calls `call` until it does not fail with EINTR (a signal arrived before
    /// it did anything) and returns its last result, with errno as it left it.
    /// Any other failure is returned at once.
    template <class Call> static auto RetryOnEintr(Call call) {
        for (;;) {
            const auto result = call();
            if (result >= 0 || errno != EINTR)
                return result;
        }
    }
};

#endif
