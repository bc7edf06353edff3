#include "RandomIdentifier.h"

#include "SystemCall.h"

#include <sys/random.h>

void RandomIdentifier::FillRandom(unsigned char* bytes, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t n =
            SystemCall::RetryOnEintr([&] { return getrandom(bytes + done, size - done, 0); });
        if (n < 0)
            break;
        done += static_cast<std::size_t>(n);
    }
}
