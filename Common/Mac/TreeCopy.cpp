#include "TreeCopy.h"

#include "Descriptor.h"
#include "PathLibrary.h"
#include "SystemCall.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ListingCloser {
    void operator()(DIR* listing) const { closedir(listing); }
};
using Listing = std::unique_ptr<DIR, ListingCloser>;

// Takes the descriptor over; it is closed when the listing cannot be made.
Listing ListingOf(int folder) {
    if (folder < 0)
        return nullptr;
    DIR* listing = fdopendir(folder);
    if (listing == nullptr)
        close(folder);
    return Listing(listing);
}

bool IsPlainText(const std::string& text) {
    return text.find('\0') == std::string::npos;
}

void TimesOf(const struct stat& status, timespec times[2]) {
#ifdef __APPLE__
    times[0] = status.st_atimespec;
    times[1] = status.st_mtimespec;
#else
    times[0] = status.st_atim;
    times[1] = status.st_mtim;
#endif
}

// Whether a copy gives its entries the source's owners.
enum class Owners { Kept, Copiers };

// The source's owner where this process may give it (when kept), then its
// mode and times. A set-id bit goes only with its owner: a copy made by root
// must not turn a user's program into one that runs as root.
bool KeepAttributes(int descriptor, const struct stat& source, Owners owners) {
    const bool ownerGiven =
        owners == Owners::Kept && fchown(descriptor, source.st_uid, source.st_gid) == 0;
    struct stat copy;
    const bool sameOwner =
        ownerGiven || (fstat(descriptor, &copy) == 0 && copy.st_uid == source.st_uid &&
                       copy.st_gid == source.st_gid);
    mode_t mode = source.st_mode & 07777;
    if (!sameOwner)
        mode &= ~(S_ISUID | S_ISGID);
    timespec times[2];
    TimesOf(source, times);
    return fchmod(descriptor, mode) == 0 && futimens(descriptor, times) == 0;
}

// Makes room for a file or a link. unlinkat without AT_REMOVEDIR fails on a
// folder, so a folder is never removed.
bool RemoveNonFolder(int parent, const char* name) {
    return unlinkat(parent, name, 0) == 0 || errno == ENOENT;
}

bool CopyBytes(int from, int to) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count =
            SystemCall::RetryOnEintr([&] { return read(from, buffer, sizeof buffer); });
        if (count <= 0)
            return count == 0;
        for (ssize_t done = 0; done < count;) {
            const ssize_t written = SystemCall::RetryOnEintr(
                [&] { return write(to, buffer + done, static_cast<size_t>(count - done)); });
            if (written < 0)
                return false;
            done += written;
        }
    }
}

// A regular file opened for reading, or -1: O_NONBLOCK so that a FIFO put in
// the file's place is opened without waiting for a writer, then refused.
int OpenRegularFile(int folder, const char* name, int noFollow, struct stat& status) {
    const int file = openat(folder, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | noFollow);
    if (file >= 0 && (fstat(file, &status) != 0 || !S_ISREG(status.st_mode))) {
        close(file);
        return -1;
    }
    return file;
}

// O_EXCL after the removal: whatever appears there meanwhile is never
// written through.
bool WriteFileAt(int from, const struct stat& source, int parent, const char* name, Owners owners) {
    if (!RemoveNonFolder(parent, name))
        return false;
    const Descriptor to(
        openat(parent, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    return to.IsOpen() && CopyBytes(from, to.Get()) && KeepAttributes(to.Get(), source, owners);
}

bool ReadLink(int folder, const char* name, std::string& target) {
    for (std::size_t size = 256;; size *= 2) {
        target.resize(size);
        const ssize_t length = readlinkat(folder, name, &target[0], size);
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) < size) {
            target.resize(static_cast<std::size_t>(length));
            return true;
        }
    }
}

// A new folder, private until its mode is set; fails when `name` exists.
// The mode is set again on the descriptor, so no umask can keep us out.
int MakeFolder(int parent, const char* name) {
    if (mkdirat(parent, name, 0700) != 0)
        return -1;
    const int folder = openat(parent, name, Descriptor::kFolderFlags);
    if (folder >= 0 && fchmod(folder, 0700) != 0) {
        close(folder);
        return -1;
    }
    return folder;
}

// The folder `name` in `parent`, opened for filling: an existing folder as it
// is; a link or anything else under that name is replaced by a new folder.
int OpenDestinationFolder(int parent, const char* name) {
    const int folder = openat(parent, name, Descriptor::kFolderFlags);
    if (folder >= 0 || (errno != ENOENT && errno != ENOTDIR && errno != ELOOP))
        return folder;
    return RemoveNonFolder(parent, name) ? MakeFolder(parent, name) : -1;
}

class Copier {
public:
    Copier(const struct stat& destination, Owners owners)
        : device(destination.st_dev), inode(destination.st_ino), owners(owners) {}

    // A destination inside the source would otherwise be copied into itself
    // without end.
    bool IsDestination(const struct stat& folder) const {
        return folder.st_dev == device && folder.st_ino == inode;
    }

    // `depth` counts the folders above the entries, the copied one first.
    bool CopyEntries(DIR* source, int destination, unsigned depth = 1) const {
        bool copied = true;
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(source);
            if (entry == nullptr)
                return copied && errno == 0;
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                copied = CopyEntry(dirfd(source), destination, name.c_str(), depth) && copied;
        }
    }

private:
    bool CopyEntry(int source, int destination, const char* name, unsigned depth) const {
        struct stat status;
        if (fstatat(source, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (S_ISDIR(status.st_mode))
            return depth <= TreeCopy::kMaxDepth && CopyFolder(source, destination, name, depth + 1);
        if (S_ISLNK(status.st_mode))
            return CopyLink(source, destination, name);
        if (S_ISREG(status.st_mode))
            return CopyFile(source, destination, name);
        return false;
    }

    bool CopyFolder(int source, int destination, const char* name, unsigned depth) const {
        const Listing from = ListingOf(openat(source, name, Descriptor::kFolderFlags));
        struct stat status;
        if (!from || fstat(dirfd(from.get()), &status) != 0 || IsDestination(status))
            return false;
        const Descriptor to(OpenDestinationFolder(destination, name));
        if (!to.IsOpen())
            return false;
        const bool copied = CopyEntries(from.get(), to.Get(), depth);
        return KeepAttributes(to.Get(), status, owners) && copied;
    }

    static bool CopyLink(int source, int destination, const char* name) {
        std::string target;
        return ReadLink(source, name, target) && RemoveNonFolder(destination, name) &&
               symlinkat(target.c_str(), destination, name) == 0;
    }

    bool CopyFile(int source, int destination, const char* name) const {
        struct stat status;
        const Descriptor from(OpenRegularFile(source, name, O_NOFOLLOW, status));
        return from.IsOpen() && WriteFileAt(from.Get(), status, destination, name, owners);
    }

    dev_t device;
    ino_t inode;
    Owners owners;
};

Listing OpenSourceFolder(const std::string& source, struct stat& status) {
    if (!IsPlainText(source))
        return nullptr;
    Listing listing = ListingOf(open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing && fstat(dirfd(listing.get()), &status) != 0)
        return nullptr;
    return listing;
}

} // namespace

bool TreeCopy::CopyContents(const std::string& source, int destination) {
    struct stat from, to;
    const Listing listing = OpenSourceFolder(source, from);
    if (!listing || fstat(destination, &to) != 0 || !S_ISDIR(to.st_mode))
        return false;
    const Copier copier(to, Owners::Kept);
    return !copier.IsDestination(from) && copier.CopyEntries(listing.get(), destination);
}

bool TreeCopy::CopyFolderAt(const std::string& source, int parent, const std::string& name) {
    struct stat from, to;
    const Listing listing = OpenSourceFolder(source, from);
    if (!listing || !PathLibrary::IsEntryName(name))
        return false;
    const Descriptor folder(MakeFolder(parent, name.c_str()));
    if (!folder.IsOpen() || fstat(folder.Get(), &to) != 0)
        return false;
    const bool copied = Copier(to, Owners::Copiers).CopyEntries(listing.get(), folder.Get());
    return KeepAttributes(folder.Get(), from, Owners::Copiers) && copied;
}

bool TreeCopy::CopyFileAt(const std::string& source, int parent, const std::string& name) {
    if (!IsPlainText(source) || !PathLibrary::IsEntryName(name))
        return false;
    struct stat status;
    const Descriptor from(OpenRegularFile(AT_FDCWD, source.c_str(), 0, status));
    return from.IsOpen() && WriteFileAt(from.Get(), status, parent, name.c_str(), Owners::Kept);
}
