#include "FolderChain.h"

#include "EntryLook.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

using Status = EntryResult::Status;

EntryResult MovedAway() {
    return EntryResult::Refused("moved while it was being removed");
}

} // namespace

FolderChain::FolderChain(Descriptor first, const FolderTrust& trust) : trust(trust) {
    FolderIdentity identity;
    if (first.IsOpen() && !FolderIdentity::Of(first.Get(), identity))
        first.Reset();
    levels.push_back({std::move(first), identity});
}

EntryResult FolderChain::Enter(const std::string& name) {
    const EntryResult named = EntryLook::Named(name);
    if (named.status != Status::Done)
        return named;
    Descriptor folder(openat(Current(), name.c_str(), Descriptor::kFolderFlags));
    if (!folder.IsOpen()) {
        if (errno == ENOENT)
            return EntryResult::Absent();
        return errno == ELOOP || errno == ENOTDIR ? EntryLook::NotARealFolder(Current(), name)
                                                  : EntryResult::Failed(Outcome::FromErrno());
    }
    FolderIdentity identity;
    if (!FolderIdentity::Of(folder.Get(), identity))
        return EntryResult::Failed(Outcome::FromErrno());
    const FolderIdentity& here = levels.back().identity;
    if (identity.device != here.device || identity.mount != here.mount)
        return EntryResult::Refused("on another file system");
    // Anyone else who may change it may have renamed another user's entries
    // in there to the names of what is to be removed.
    const std::string entryWhy = trust.WhyEntryUnsafe(here.status, identity.status.st_uid);
    const std::string why = entryWhy.empty() ? trust.WhyUnsafe(identity.status) : entryWhy;
    if (!why.empty())
        return EntryResult::Refused(why);
    levels.push_back({std::move(folder), identity});
    CloseOldestIfOverBudget();
    return EntryResult::Done();
}

void FolderChain::CloseOldestIfOverBudget() {
    if (levels.size() - firstOpen > kMaxOpenFolders)
        levels[firstOpen++].folder.Reset();
}

EntryResult FolderChain::Leave() {
    if (levels.size() < 2)
        return EntryResult::Refused("no folder to go back to");
    Level& parent = levels[levels.size() - 2];
    if (!parent.folder.IsOpen()) {
        Descriptor reopened(openat(Current(), "..", Descriptor::kFolderFlags));
        FolderIdentity identity;
        if (!reopened.IsOpen() || !FolderIdentity::Of(reopened.Get(), identity) ||
            !(identity == parent.identity)) {
            levels.resize(1);
            levels[0].folder.Reset();
            firstOpen = 0;
            return MovedAway();
        }
        parent.folder = std::move(reopened);
        firstOpen = levels.size() - 2;
    }
    levels.pop_back();
    return EntryResult::Done();
}

EntryResult FolderChain::Guarded(const std::string& name) const {
    if ((levels.back().identity.status.st_mode & S_IWOTH) == 0)
        return EntryResult::Done();
    return EntryLook::Guard(Current(), name, trust);
}
