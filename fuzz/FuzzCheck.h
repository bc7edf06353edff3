// What the fuzz targets share: a check that ends the run, so that libFuzzer
// keeps the input, and the content of a string as std::string.
#ifndef QE_FUZZCHECK_H
#define QE_FUZZCHECK_H

#include "QeString.h"

#include <cstdio>
#include <cstdlib>
#include <string>

inline void FuzzCheck(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

/// The content, after checking the storage rules: an unset string has no
/// block, a set one ends with a NUL byte.
inline std::string FuzzText(const QeString& text) {
    if (text.IsEmpty()) {
        FuzzCheck(text.Data() == nullptr, "an empty string holds no block");
        return std::string();
    }
    FuzzCheck(text.Data() != nullptr && text.Data()[text.Size()] == '\0',
              "a set string ends with a NUL byte");
    return std::string(text.Data(), text.Size());
}

inline QeString FuzzString(const std::string& text) {
    return QeString(text.data(), text.size());
}

#endif
