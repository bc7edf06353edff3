#include "RandomIdentifier.h"

#include <cstring>
#include <sys/random.h>

// getentropy fills all or nothing: after a failure nothing it wrote counts.
void RandomIdentifier::FillRandom(unsigned char* bytes, std::size_t size) {
    if (getentropy(bytes, size) != 0)
        std::memset(bytes, 0, size);
}
