// Descriptor: an open file descriptor that is closed when it goes out of scope.
#ifndef QE_DESCRIPTOR_H
#define QE_DESCRIPTOR_H

#include <unistd.h>

class Descriptor {
public:
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
