#include "EntryLook.h"

#include "Descriptor.h"
#include "FolderListing.h"
#include "PathLibrary.h"

#include <sys/stat.h>
#include <vector>

EntryResult EntryLook::Named(const std::string& name) {
    return PathLibrary::IsEntryName(name) ? EntryResult::Done()
                                          : EntryResult::Refused("not the name of one entry");
}

EntryResult EntryLook::KindOf(int parent, const std::string& name, Kind& kind) {
    kind = Kind::Absent;
    const EntryResult named = Named(name);
    if (named.status != EntryResult::Status::Done)
        return named;
    struct stat status;
    if (fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? EntryResult::Absent() : EntryResult::Failed(Outcome::FromErrno());
    if (S_ISLNK(status.st_mode))
        kind = Kind::Link;
    else
        kind = S_ISDIR(status.st_mode) ? Kind::Folder : Kind::Other;
    return EntryResult::Done();
}

// In a folder every user may write to, an entry someone untrusted owns may
// have been put there by them: it is not touched.
EntryResult EntryLook::Guard(int parent, const std::string& name, const FolderTrust& trust) {
    struct stat folder, entry;
    if (fstat(parent, &folder) != 0)
        return EntryResult::Failed(Outcome::FromErrno());
    if ((folder.st_mode & S_IWOTH) == 0)
        return EntryResult::Done();
    if (fstatat(parent, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? EntryResult::Absent() : EntryResult::Failed(Outcome::FromErrno());
    const std::string why = trust.WhyEntryUnsafe(folder, entry.st_uid);
    return why.empty() ? EntryResult::Done() : EntryResult::Refused(why);
}

EntryResult EntryLook::NotARealFolder(int parent, const std::string& name) {
    Kind kind;
    KindOf(parent, name, kind);
    return EntryResult::Kept(kind == Kind::Link ? "a symbolic link" : "not a folder");
}

bool EntryLook::HoldsOnly(int parent, const std::string& name,
                          const std::set<std::string>& goingAway) {
    const Descriptor folder(openat(parent, name.c_str(), Descriptor::kFolderFlags));
    std::vector<FolderListing::Entry> entries;
    if (!folder.IsOpen() || !FolderListing::Read(folder.Get(), entries))
        return false;
    for (const FolderListing::Entry& entry : entries) {
        if (goingAway.count(entry.name) == 0)
            return false;
    }
    return true;
}
