#include "FolderListing.h"

#include "Descriptor.h"

#include <cstring>
#include <dirent.h>
#include <memory>

namespace {

struct ListingCloser {
    void operator()(DIR* listing) const { closedir(listing); }
};
using Listing = std::unique_ptr<DIR, ListingCloser>;

bool IsDots(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

} // namespace

Outcome FolderListing::Read(int folder, std::vector<Entry>& entries) {
    // The listing closes what it reads from: it is given a copy.
    Descriptor copy(fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!copy.IsOpen())
        return Outcome::FromErrno();
    const Listing listing(fdopendir(copy.Get()));
    if (!listing)
        return Outcome::FromErrno();
    copy.Release();
    errno = 0;
    while (const dirent* entry = readdir(listing.get())) {
        if (!IsDots(entry->d_name))
            entries.push_back({entry->d_name, entry->d_type});
    }
    return errno == 0 ? Outcome::Success() : Outcome::FromErrno();
}
