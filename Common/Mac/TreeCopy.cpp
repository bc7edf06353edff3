#include "TreeCopy.h"

#include "Descriptor.h"
#include "FolderListing.h"
#include "PathLibrary.h"
#include "SystemCall.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

Outcome Refused(const char* why) {
    return Outcome::Failure(0, why);
}

Outcome PlainText(const std::string& text) {
    return text.find('\0') == std::string::npos ? Outcome::Success()
                                                : Refused("a path holding a NUL");
}

Outcome EntryName(const std::string& name) {
    return PathLibrary::IsEntryName(name) ? Outcome::Success()
                                          : Refused("not the name of one entry");
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
Outcome KeepAttributes(int descriptor, const struct stat& source, Owners owners) {
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
    if (fchmod(descriptor, mode) != 0 || futimens(descriptor, times) != 0)
        return Outcome::FromErrno("cannot keep the mode and times");
    return Outcome::Success();
}

// Makes room for a file or a link. unlinkat without AT_REMOVEDIR fails on a
// folder, so a folder is never removed.
Outcome RemoveNonFolder(int parent, const char* name) {
    if (unlinkat(parent, name, 0) == 0 || errno == ENOENT)
        return Outcome::Success();
    return Outcome::FromErrno("cannot make room");
}

Outcome CopyBytes(int from, int to) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count =
            SystemCall::RetryOnEintr([&] { return read(from, buffer, sizeof buffer); });
        if (count <= 0)
            return count == 0 ? Outcome::Success() : Outcome::FromErrno("cannot read");
        for (ssize_t done = 0; done < count;) {
            const ssize_t written = SystemCall::RetryOnEintr(
                [&] { return write(to, buffer + done, static_cast<size_t>(count - done)); });
            if (written < 0)
                return Outcome::FromErrno("cannot write");
            done += written;
        }
    }
}

// A regular file opened for reading: O_NONBLOCK so that a FIFO put in the
// file's place is opened without waiting for a writer, then refused.
Outcome OpenRegularFile(int folder, const char* name, int noFollow, struct stat& status,
                        Descriptor& file) {
    file.Reset(openat(folder, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | noFollow));
    if (!file.IsOpen() || fstat(file.Get(), &status) != 0)
        return Outcome::FromErrno("cannot open");
    if (!S_ISREG(status.st_mode))
        return Refused("not a regular file");
    return Outcome::Success();
}

// O_EXCL after the removal: whatever appears there meanwhile is never
// written through.
Outcome WriteFileAt(int from, const struct stat& source, int parent, const char* name,
                    Owners owners) {
    const Outcome room = RemoveNonFolder(parent, name);
    if (!room)
        return room;
    const Descriptor to(
        openat(parent, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!to.IsOpen())
        return Outcome::FromErrno("cannot create");
    const Outcome written = CopyBytes(from, to.Get());
    return written ? KeepAttributes(to.Get(), source, owners) : written;
}

Outcome ReadLink(int folder, const char* name, std::string& target) {
    for (std::size_t size = 256;; size *= 2) {
        target.resize(size);
        const ssize_t length = readlinkat(folder, name, &target[0], size);
        if (length < 0)
            return Outcome::FromErrno("cannot read the link");
        if (static_cast<std::size_t>(length) < size) {
            target.resize(static_cast<std::size_t>(length));
            return Outcome::Success();
        }
    }
}

// A new folder, private until its mode is set; fails when `name` exists.
// The mode is set again on the descriptor, so no umask can keep us out.
Outcome MakeFolder(int parent, const char* name, Descriptor& folder) {
    if (mkdirat(parent, name, 0700) != 0)
        return Outcome::FromErrno("cannot make the folder");
    folder.Reset(openat(parent, name, Descriptor::kFolderFlags));
    if (!folder.IsOpen() || fchmod(folder.Get(), 0700) != 0)
        return Outcome::FromErrno("cannot open the new folder");
    return Outcome::Success();
}

// The folder `name` in `parent`, opened for filling: an existing folder as it
// is; a link or anything else under that name is replaced by a new folder.
Outcome OpenDestinationFolder(int parent, const char* name, Descriptor& folder) {
    folder.Reset(openat(parent, name, Descriptor::kFolderFlags));
    if (folder.IsOpen())
        return Outcome::Success();
    if (errno != ENOENT && errno != ENOTDIR && errno != ELOOP)
        return Outcome::FromErrno("cannot open");
    const Outcome room = RemoveNonFolder(parent, name);
    return room ? MakeFolder(parent, name, folder) : room;
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

    // The first failure, named by its entry; the other entries are copied
    // all the same. `depth` counts the folders above the entries, the copied
    // one first.
    Outcome CopyEntries(int source, int destination, unsigned depth = 1) const {
        std::vector<FolderListing::Entry> entries;
        Outcome outcome = FolderListing::Read(source, entries);
        for (const FolderListing::Entry& entry : entries) {
            const char* name = entry.name.c_str();
            const Outcome copied = CopyEntry(source, destination, name, depth);
            if (!copied && outcome)
                outcome = copied.In(entry.name);
        }
        return outcome;
    }

private:
    Outcome CopyEntry(int source, int destination, const char* name, unsigned depth) const {
        struct stat status;
        if (fstatat(source, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return Outcome::FromErrno();
        if (S_ISDIR(status.st_mode))
            return depth <= TreeCopy::kMaxDepth ? CopyFolder(source, destination, name, depth + 1)
                                                : Refused("too deep");
        if (S_ISLNK(status.st_mode))
            return CopyLink(source, destination, name);
        if (S_ISREG(status.st_mode))
            return CopyFile(source, destination, name);
        return Refused("not a folder, regular file or link");
    }

    Outcome CopyFolder(int source, int destination, const char* name, unsigned depth) const {
        const Descriptor from(openat(source, name, Descriptor::kFolderFlags));
        struct stat status;
        if (!from.IsOpen() || fstat(from.Get(), &status) != 0)
            return Outcome::FromErrno("cannot open");
        if (IsDestination(status))
            return Refused("the destination itself");
        Descriptor to;
        const Outcome opened = OpenDestinationFolder(destination, name, to);
        if (!opened)
            return opened;
        const Outcome copied = CopyEntries(from.Get(), to.Get(), depth);
        const Outcome kept = KeepAttributes(to.Get(), status, owners);
        return copied ? kept : copied;
    }

    static Outcome CopyLink(int source, int destination, const char* name) {
        std::string target;
        Outcome outcome = ReadLink(source, name, target);
        if (outcome)
            outcome = RemoveNonFolder(destination, name);
        if (outcome && symlinkat(target.c_str(), destination, name) != 0)
            outcome = Outcome::FromErrno("cannot make the link");
        return outcome;
    }

    Outcome CopyFile(int source, int destination, const char* name) const {
        struct stat status;
        Descriptor from;
        const Outcome opened = OpenRegularFile(source, name, O_NOFOLLOW, status, from);
        return opened ? WriteFileAt(from.Get(), status, destination, name, owners) : opened;
    }

    dev_t device;
    ino_t inode;
    Owners owners;
};

Outcome OpenSourceFolder(const std::string& source, struct stat& status, Descriptor& folder) {
    const Outcome plain = PlainText(source);
    if (!plain)
        return plain;
    folder.Reset(open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen() || fstat(folder.Get(), &status) != 0)
        return Outcome::FromErrno("cannot open " + source);
    return Outcome::Success();
}

} // namespace

Outcome TreeCopy::CopyContents(const std::string& source, int destination) {
    struct stat from, to;
    Descriptor folder;
    const Outcome opened = OpenSourceFolder(source, from, folder);
    if (!opened)
        return opened;
    if (fstat(destination, &to) != 0)
        return Outcome::FromErrno("cannot look at the destination");
    if (!S_ISDIR(to.st_mode))
        return Refused("the destination is no folder");
    const Copier copier(to, Owners::Kept);
    if (copier.IsDestination(from))
        return Refused("the destination itself");
    return copier.CopyEntries(folder.Get(), destination);
}

Outcome TreeCopy::CopyFolderAt(const std::string& source, int parent, const std::string& name) {
    struct stat from, to;
    Descriptor listed;
    Outcome outcome = OpenSourceFolder(source, from, listed);
    if (outcome)
        outcome = EntryName(name);
    Descriptor folder;
    if (outcome)
        outcome = MakeFolder(parent, name.c_str(), folder);
    if (!outcome)
        return outcome;
    if (fstat(folder.Get(), &to) != 0)
        return Outcome::FromErrno("cannot look at the new folder");
    const Outcome copied = Copier(to, Owners::Copiers).CopyEntries(listed.Get(), folder.Get());
    const Outcome kept = KeepAttributes(folder.Get(), from, Owners::Copiers);
    return copied ? kept : copied;
}

Outcome TreeCopy::CopyFileAt(const std::string& source, int parent, const std::string& name) {
    Outcome outcome = PlainText(source);
    if (outcome)
        outcome = EntryName(name);
    struct stat status;
    Descriptor from;
    if (outcome)
        outcome = OpenRegularFile(AT_FDCWD, source.c_str(), 0, status, from);
    return outcome ? WriteFileAt(from.Get(), status, parent, name.c_str(), Owners::Kept) : outcome;
}
