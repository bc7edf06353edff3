// FolderListing: the entries of an open folder, read whole before any is
// acted on, so that what a removal or a copy does to the folder cannot change
// what it goes through.
//
//   std::vector<FolderListing::Entry> entries;
//   const Outcome read = FolderListing::Read(folder, entries);
#ifndef QE_FOLDERLISTING_H
#define QE_FOLDERLISTING_H

#include "Outcome.h"

#include <string>
#include <vector>

class FolderListing {
public:
    struct Entry {
        std::string name;
        /// The type the listing gives (DT_DIR, DT_LNK, ...; DT_UNKNOWN where
        /// the file system does not say).
        unsigned char type;
    };

    /// Appends the entries of the folder open as `folder`, but "." and "..",
    /// to `entries`; `folder` stays open. A failure keeps what was read
    /// before it.
    static Outcome Read(int folder, std::vector<Entry>& entries);
};

#endif
