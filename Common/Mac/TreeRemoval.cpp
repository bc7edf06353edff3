#include "TreeRemoval.h"

#include "PathLibrary.h"
#include "TrustedPath.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Result = TreeRemoval::Result;
using Status = TreeRemoval::Status;
using Mode = TreeRemoval::Mode;

Result Done() {
    return {Status::Done, ""};
}

Result FailedWith(int error) {
    return {Status::Failed, std::strerror(error)};
}

Result CheckedName(const std::string& name) {
    return PathLibrary::IsEntryName(name) ? Done()
                                          : Result{Status::Failed, "not the name of one entry"};
}

// The entry `name` of `parent` itself, never what a link leads to: Done with
// its `status`, or Absent, or Failed.
Result LookAt(int parent, const std::string& name, struct stat& status) {
    const Result named = CheckedName(name);
    if (named.status != Status::Done)
        return named;
    if (fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        return Done();
    return errno == ENOENT ? Result{Status::Absent, ""} : FailedWith(errno);
}

// Folders that are links or no folders are left alone, whatever their kind.
Result NotARealFolder(int parent, const std::string& name) {
    struct stat status;
    const bool isLink =
        fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
    return {Status::Kept, isLink ? "a symbolic link" : "not a folder"};
}

// In a folder every user may write to, an entry someone untrusted owns may
// have been put there by them: it is not touched.
Result GuardedEntry(int parent, const std::string& name, const FolderTrust& trust) {
    struct stat folder, entry;
    if (fstat(parent, &folder) != 0)
        return FailedWith(errno);
    if ((folder.st_mode & S_IWOTH) == 0)
        return Done();
    if (fstatat(parent, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Result{Status::Absent, ""} : FailedWith(errno);
    const std::string why = trust.WhyEntryUnsafe(folder, entry.st_uid);
    return why.empty() ? Done() : Result{Status::Failed, why};
}

struct Entry {
    std::string name;
    unsigned char type;
};

// The folder's entries, read whole before any is removed.
bool ReadEntries(int folder, std::vector<Entry>& entries) {
    const int copy = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR* listing = copy >= 0 ? fdopendir(copy) : nullptr;
    if (listing == nullptr) {
        if (copy >= 0)
            close(copy);
        return false;
    }
    errno = 0;
    while (const dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            entries.push_back({entry->d_name, entry->d_type});
    }
    const bool complete = errno == 0;
    closedir(listing);
    return complete;
}

// Empties the chain's current folder and all below it, one level of pending
// entries per folder entered, so that neither the call stack nor the open
// descriptors grow with the depth.
class Emptying {
public:
    explicit Emptying(TreeRemoval::Folders& chain) : chain(chain) {}

    // The first failure, with its path below the emptied folder; Done when
    // the folder is empty.
    Result Run() {
        if (!Open(""))
            return failure;
        while (!pending.empty()) {
            if (pending.back().next < pending.back().entries.size())
                RemoveNext();
            else if (!Close())
                return failure;
        }
        return failure;
    }

private:
    struct Level {
        std::vector<Entry> entries;
        std::size_t next = 0;
        std::string name;
        bool failed = false;
    };

    bool Open(const std::string& name) {
        pending.push_back({{}, 0, name, false});
        if (ReadEntries(chain.Current(), pending.back().entries))
            return true;
        Fail("", FailedWith(errno));
        return !pending.back().entries.empty();
    }

    void RemoveNext() {
        Level& level = pending.back();
        const Entry& entry = level.entries[level.next++];
        const int folder = chain.Current();
        const Result guarded = chain.Guarded(entry.name);
        if (guarded.status != Status::Done)
            return guarded.status == Status::Absent ? void() : Fail(entry.name, guarded);
        if (entry.type != DT_DIR && entry.type != DT_UNKNOWN) {
            if (unlinkat(folder, entry.name.c_str(), 0) == 0 || errno == ENOENT)
                return;
            // A folder now stands there (EISDIR; EPERM on macOS), or the
            // entry cannot be removed.
            if (errno != EISDIR && errno != EPERM)
                return Fail(entry.name, FailedWith(errno));
        }
        const Result entered = chain.Enter(entry.name);
        if (entered.status == Status::Done) {
            Open(entry.name);
        } else if (entered.status == Status::Kept) {
            if (unlinkat(folder, entry.name.c_str(), 0) != 0 && errno != ENOENT)
                Fail(entry.name, FailedWith(errno));
        } else if (entered.status == Status::Failed) {
            Fail(entry.name, entered);
        }
    }

    // Leaves the finished folder and removes it; false when the way back up
    // is lost and nothing more can be done.
    bool Close() {
        const Level done = std::move(pending.back());
        pending.pop_back();
        if (pending.empty())
            return true;
        const Result left = chain.Leave();
        if (left.status != Status::Done) {
            Fail(done.name, left);
            return false;
        }
        if (done.failed)
            pending.back().failed = true;
        else if (unlinkat(chain.Current(), done.name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
            Fail(done.name, FailedWith(errno));
        return true;
    }

    void Fail(const std::string& name, const Result& result) {
        pending.back().failed = true;
        if (failure.status == Status::Failed)
            return;
        std::string path;
        for (std::size_t level = 1; level < pending.size(); ++level)
            path += pending[level].name + "/";
        path += name;
        if (!path.empty() && path.back() == '/')
            path.pop_back();
        failure = {Status::Failed, (path.empty() ? "" : path + ": ") + result.reason};
    }

    TreeRemoval::Folders& chain;
    std::vector<Level> pending;
    Result failure = Done();
};

Result RemoveFolder(int parent, const std::string& name, const FolderTrust& trust) {
    TreeRemoval::Folders chain{Descriptor(fcntl(parent, F_DUPFD_CLOEXEC, 0)), trust};
    if (chain.Current() < 0)
        return FailedWith(errno);
    const Result entered = chain.Enter(name);
    if (entered.status == Status::Kept)
        return unlinkat(parent, name.c_str(), 0) == 0 ? Done() : FailedWith(errno);
    if (entered.status != Status::Done)
        return entered;
    const Result emptied = Emptying(chain).Run();
    if (emptied.status != Status::Done)
        return emptied;
    if (chain.Leave().status != Status::Done)
        return {Status::Failed, "moved while it was being removed"};
    return unlinkat(chain.Current(), name.c_str(), AT_REMOVEDIR) == 0 ? Done() : FailedWith(errno);
}

bool HoldsOnly(int parent, const std::string& name, const std::set<std::string>& goingAway) {
    const Descriptor folder(openat(parent, name.c_str(), Descriptor::kFolderFlags));
    std::vector<Entry> entries;
    if (!folder.IsOpen() || !ReadEntries(folder.Get(), entries))
        return false;
    for (const Entry& entry : entries) {
        if (goingAway.count(entry.name) == 0)
            return false;
    }
    return true;
}

Result CheckEmptyFolder(int parent, const std::string& name,
                        const std::set<std::string>& goingAway) {
    struct stat status;
    const Result found = LookAt(parent, name, status);
    if (found.status != Status::Done)
        return found;
    if (!S_ISDIR(status.st_mode))
        return {Status::Kept, "not a folder"};
    return HoldsOnly(parent, name, goingAway) ? Done() : Result{Status::Kept, "not empty"};
}

} // namespace

TreeRemoval::Folders::Folders(Descriptor first, const FolderTrust& trust) : trust(trust) {
    Identity identity;
    if (first.IsOpen() && !FolderIdentity::Of(first.Get(), identity))
        first.Reset();
    levels.push_back({std::move(first), identity});
}

TreeRemoval::Result TreeRemoval::Folders::Enter(const std::string& name) {
    const Result named = CheckedName(name);
    if (named.status != Status::Done)
        return named;
    Descriptor folder(openat(Current(), name.c_str(), Descriptor::kFolderFlags));
    if (!folder.IsOpen()) {
        if (errno == ENOENT)
            return {Status::Absent, ""};
        return errno == ELOOP || errno == ENOTDIR ? NotARealFolder(Current(), name)
                                                  : FailedWith(errno);
    }
    Identity identity;
    if (!FolderIdentity::Of(folder.Get(), identity))
        return FailedWith(errno);
    const Identity& here = levels.back().identity;
    if (identity.device != here.device || identity.mount != here.mount)
        return {Status::Failed, "on another file system"};
    // Anyone else who may change it may have renamed another user's entries
    // in there to the names of what is to be removed.
    const std::string entryWhy = trust.WhyEntryUnsafe(here.status, identity.status.st_uid);
    const std::string why = entryWhy.empty() ? trust.WhyUnsafe(identity.status) : entryWhy;
    if (!why.empty())
        return {Status::Failed, why};
    levels.push_back({std::move(folder), identity});
    CloseOldestIfOverBudget();
    return Done();
}

void TreeRemoval::Folders::CloseOldestIfOverBudget() {
    if (levels.size() - firstOpen > kMaxOpenFolders)
        levels[firstOpen++].folder.Reset();
}

TreeRemoval::Result TreeRemoval::Folders::Leave() {
    if (levels.size() < 2)
        return {Status::Failed, "no folder to go back to"};
    Level& parent = levels[levels.size() - 2];
    if (!parent.folder.IsOpen()) {
        Descriptor reopened(openat(Current(), "..", Descriptor::kFolderFlags));
        Identity identity;
        if (!reopened.IsOpen() || !FolderIdentity::Of(reopened.Get(), identity) ||
            !(identity == parent.identity)) {
            levels.resize(1);
            levels[0].folder.Reset();
            firstOpen = 0;
            return {Status::Failed, "moved while it was being removed"};
        }
        parent.folder = std::move(reopened);
        firstOpen = levels.size() - 2;
    }
    levels.pop_back();
    return Done();
}

TreeRemoval::Result TreeRemoval::Folders::Guarded(const std::string& name) const {
    if ((levels.back().identity.status.st_mode & S_IWOTH) == 0)
        return Done();
    return GuardedEntry(Current(), name, trust);
}

TreeRemoval::Result TreeRemoval::OpenTargetFolder(const std::string& path, Descriptor& folder,
                                                  const FolderTrust& trust) {
    const TrustedPath::Result opened = TrustedPath::OpenFolder(path, trust, folder);
    switch (opened.status) {
    case TrustedPath::Result::Status::Opened:
        return Done();
    case TrustedPath::Result::Status::Absent:
        return {Status::Absent, ""};
    case TrustedPath::Result::Status::Refused:
        break;
    }
    return {Status::Failed, opened.reason};
}

TreeRemoval::Result TreeRemoval::RemoveItemAt(int parent, const std::string& name, Mode mode,
                                              const FolderTrust& trust) {
    struct stat status;
    const Result found = LookAt(parent, name, status);
    if (found.status != Status::Done)
        return found;
    const Result guarded = GuardedEntry(parent, name, trust);
    if (guarded.status != Status::Done || mode == Mode::Check)
        return guarded;
    if (S_ISDIR(status.st_mode))
        return RemoveFolder(parent, name, trust);
    if (unlinkat(parent, name.c_str(), 0) == 0)
        return Done();
    // Swapped for a folder since it was looked at: removed as a folder, never
    // followed.
    return errno == EISDIR || errno == EPERM ? RemoveFolder(parent, name, trust)
                                             : FailedWith(errno);
}

TreeRemoval::Result TreeRemoval::RemoveEmptyFolderAt(int parent, const std::string& name, Mode mode,
                                                     const std::set<std::string>& goingAway,
                                                     const FolderTrust& trust) {
    const Result named = CheckedName(name);
    if (named.status != Status::Done)
        return named;
    const Result guarded = GuardedEntry(parent, name, trust);
    if (guarded.status != Status::Done)
        return guarded;
    if (mode == Mode::Check)
        return CheckEmptyFolder(parent, name, goingAway);
    if (unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0)
        return Done();
    switch (errno) {
    case ENOENT:
        return {Status::Absent, ""};
    case ENOTEMPTY:
    case EEXIST:
        return {Status::Kept, "not empty"};
    case ENOTDIR:
        return NotARealFolder(parent, name);
    default:
        return FailedWith(errno);
    }
}

TreeRemoval::Result TreeRemoval::RemoveLinkAt(int parent, const std::string& name, Mode mode,
                                              const FolderTrust& trust) {
    struct stat status;
    const Result found = LookAt(parent, name, status);
    if (found.status != Status::Done)
        return found;
    if (!S_ISLNK(status.st_mode))
        return {Status::Kept, "not a symbolic link"};
    const Result guarded = GuardedEntry(parent, name, trust);
    if (guarded.status != Status::Done)
        return guarded;
    if (mode == Mode::Check || unlinkat(parent, name.c_str(), 0) == 0)
        return Done();
    return errno == ENOENT ? Result{Status::Absent, ""} : FailedWith(errno);
}
