// The suite's list type: a standard vector with an append named add.
#ifndef QE_VECTOR_H
#define QE_VECTOR_H

#include <vector>

/// A std::vector<T> with no state of its own, usable wherever one is expected.
template <class T> class Vector : public std::vector<T> {
public:
    using std::vector<T>::vector;

    /// Appends a copy of value at the end.
    void add(T value) { this->push_back(std::move(value)); }
};

#endif
