// RandomIdentifier: texts unique to one run, usable as file names.
#ifndef QE_RANDOMIDENTIFIER_H
#define QE_RANDOMIDENTIFIER_H

#include <cstddef>
#include <string>

class RandomIdentifier {
public:
    /// A random version 4 UUID in upper-case hexadecimal
    /// ("1B4E28BA-2FA1-41D2-883F-0016D3CCA427"), from the system's random
    /// source; the bytes it could not give stay zero.
    static std::string Uuid();

private:
    // Fills the `size` zeroed bytes (at most 256) from the system's random
    // source, as far as it can: those it could not fill stay zero.
    static void FillRandom(unsigned char* bytes, std::size_t size);
};

#endif
