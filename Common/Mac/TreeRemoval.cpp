#include "TreeRemoval.h"

#include "Descriptor.h"
#include "EntryLook.h"
#include "FolderChain.h"
#include "FolderListing.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

using Result = TreeRemoval::Result;
using Status = TreeRemoval::Status;
using Kind = EntryLook::Kind;

Result FailedWithErrno() {
    return Result::Failed(Outcome::FromErrno());
}

// Empties the chain's current folder and all below it, one level of pending
// entries per folder entered, so that neither the call stack nor the open
// descriptors grow with the depth.
class Emptying {
public:
    explicit Emptying(FolderChain& chain) : chain(chain) {}

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
        std::vector<FolderListing::Entry> entries;
        std::size_t next = 0;
        std::string name;
        bool failed = false;
    };

    bool Open(const std::string& name) {
        pending.push_back({{}, 0, name, false});
        const Outcome read = FolderListing::Read(chain.Current(), pending.back().entries);
        if (read)
            return true;
        Fail("", Result::Failed(read));
        return !pending.back().entries.empty();
    }

    void RemoveNext() {
        Level& level = pending.back();
        const FolderListing::Entry& entry = level.entries[level.next++];
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
                return Fail(entry.name, FailedWithErrno());
        }
        const Result entered = chain.Enter(entry.name);
        if (entered.status == Status::Done) {
            Open(entry.name);
        } else if (entered.status == Status::Kept) {
            if (unlinkat(folder, entry.name.c_str(), 0) != 0 && errno != ENOENT)
                Fail(entry.name, FailedWithErrno());
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
            Fail(done.name, FailedWithErrno());
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
        failure = Result::Failed(result.failure.In(path));
    }

    FolderChain& chain;
    std::vector<Level> pending;
    Result failure = Result::Done();
};

Result RemoveFolder(int parent, const std::string& name, const FolderTrust& trust) {
    FolderChain chain{Descriptor(fcntl(parent, F_DUPFD_CLOEXEC, 0)), trust};
    if (chain.Current() < 0)
        return FailedWithErrno();
    const Result entered = chain.Enter(name);
    if (entered.status == Status::Kept)
        return unlinkat(parent, name.c_str(), 0) == 0 ? Result::Done() : FailedWithErrno();
    if (entered.status != Status::Done)
        return entered;
    const Result emptied = Emptying(chain).Run();
    if (emptied.status != Status::Done)
        return emptied;
    const Result left = chain.Leave();
    if (left.status != Status::Done)
        return left;
    return unlinkat(chain.Current(), name.c_str(), AT_REMOVEDIR) == 0 ? Result::Done()
                                                                      : FailedWithErrno();
}

} // namespace

TreeRemoval::Result TreeRemoval::RemoveItemAt(int parent, const std::string& name,
                                              const FolderTrust& trust) {
    Kind kind;
    const Result found = EntryLook::KindOf(parent, name, kind);
    if (found.status != Status::Done)
        return found;
    const Result guarded = EntryLook::Guard(parent, name, trust);
    if (guarded.status != Status::Done)
        return guarded;
    if (kind == Kind::Folder)
        return RemoveFolder(parent, name, trust);
    if (unlinkat(parent, name.c_str(), 0) == 0)
        return Result::Done();
    // Swapped for a folder since it was looked at: removed as a folder, never
    // followed.
    return errno == EISDIR || errno == EPERM ? RemoveFolder(parent, name, trust)
                                             : FailedWithErrno();
}

TreeRemoval::Result TreeRemoval::RemoveEmptyFolderAt(int parent, const std::string& name,
                                                     const FolderTrust& trust) {
    const Result named = EntryLook::Named(name);
    if (named.status != Status::Done)
        return named;
    const Result guarded = EntryLook::Guard(parent, name, trust);
    if (guarded.status != Status::Done)
        return guarded;
    if (unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0)
        return Result::Done();
    switch (errno) {
    case ENOENT:
        return Result::Absent();
    case ENOTEMPTY:
    case EEXIST:
        return Result::Kept("not empty");
    case ENOTDIR:
        return EntryLook::NotARealFolder(parent, name);
    default:
        return FailedWithErrno();
    }
}

TreeRemoval::Result TreeRemoval::RemoveLinkAt(int parent, const std::string& name,
                                              const FolderTrust& trust) {
    Kind kind;
    const Result found = EntryLook::KindOf(parent, name, kind);
    if (found.status != Status::Done)
        return found;
    if (kind != Kind::Link)
        return Result::Kept("not a symbolic link");
    const Result guarded = EntryLook::Guard(parent, name, trust);
    if (guarded.status != Status::Done)
        return guarded;
    if (unlinkat(parent, name.c_str(), 0) == 0)
        return Result::Done();
    return errno == ENOENT ? Result::Absent() : FailedWithErrno();
}
