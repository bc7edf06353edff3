// Descriptor: an open file descriptor that is closed when it goes out of scope.
#ifndef QE_DESCRIPTOR_H
#define QE_DESCRIPTOR_H

#include <fcntl.h>
#include <unistd.h>

class Descriptor {
public:
    /// How a folder is opened to work inside it: never through a link in its
    /// place, closed on exec, and without blocking, so that a FIFO swapped in
    /// for it cannot stall the caller.
    static constexpr int kFolderFlags =
        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

    /// Takes `descriptor` over; a negative one holds nothing.
    explicit Descriptor(int descriptor = -1) : value(descriptor) {}
    ~Descriptor() { Reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : value(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    int Get() const { return value; }
    bool IsOpen() const { return value >= 0; }
    /// Closes what is held and takes `descriptor` over.
    void Reset(int descriptor = -1) {
        if (value >= 0)
            close(value);
        value = descriptor;
    }
    /// Gives the descriptor up without closing it.
    int Release() {
        const int released = value;
        value = -1;
        return released;
    }

private:
    int value;
};

#endif
