#include "TrustedPath.h"

#include "Outcome.h"
#include "PathLibrary.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Result = TrustedPath::Result;
using Status = Result::Status;

Result Opened() {
    return {Status::Opened, ""};
}

Result RefusedWith(int error) {
    errno = error;
    return {Status::Refused, Outcome::FromErrno().Message()};
}

// A folder that root owns and nobody else may write to. A sticky bit is not
// enough: others may still move their own entries in, a link root made among them.
bool OnlyRootMayWrite(const struct stat& status) {
    return status.st_uid == 0 && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::deque<std::string> ComponentsOf(const std::string& path) {
    const std::vector<std::string> components = PathLibrary::Components(path);
    return {components.begin(), components.end()};
}

// The folders opened so far from "/": the current one, the path it was
// reached by, and whether only root can have put it where it is. Once a
// folder another user may write to was passed, what lies below it may have
// been moved there by that user, root's own folders and links included.
class Walk {
public:
    explicit Walk(const FolderTrust& trust) : trust(trust) {}

    // Starts again at "/".
    Result StartAtRoot() {
        walked = "/";
        current.Reset(open("/", Descriptor::kFolderFlags));
        if (!current.IsOpen() || fstat(current.Get(), &status) != 0)
            return RefusedWith(errno);
        trusted = OnlyRootMayWrite(status);
        return Admitted(trust.WhyUnsafe(status));
    }

    // Opens the next component, putting a trusted link's text in its place.
    Result Next(const std::string& name, std::deque<std::string>& rest) {
        if (name == ".")
            return Opened();
        const int next = openat(current.Get(), name.c_str(), Descriptor::kFolderFlags);
        if (next >= 0)
            return MoveTo(name, Descriptor(next));
        if (errno == ENOENT)
            return {Status::Absent, ""};
        if (errno != ELOOP && errno != ENOTDIR)
            return RefusedWith(errno);
        if (--linksLeft < 0)
            return RefusedWith(ELOOP);
        return FollowLink(name, rest);
    }

    Descriptor TakeFolder() { return std::move(current); }

private:
    Result MoveTo(const std::string& name, Descriptor next) {
        struct stat nextStatus;
        if (fstat(next.Get(), &nextStatus) != 0)
            return RefusedWith(errno);
        const std::string path = PathOf(name);
        const std::string entryWhy = trust.WhyEntryUnsafe(status, nextStatus.st_uid);
        if (!entryWhy.empty())
            return Admitted(entryWhy, path);
        current = std::move(next);
        status = nextStatus;
        walked = path;
        trusted = trusted && OnlyRootMayWrite(status);
        return Admitted(trust.WhyUnsafe(status));
    }

    Result FollowLink(const std::string& name, std::deque<std::string>& rest) {
        struct stat link;
        if (fstatat(current.Get(), name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0)
            return RefusedWith(errno);
        if (!S_ISLNK(link.st_mode))
            return {Status::Refused, "\"" + name + "\" is not a folder"};
        if (link.st_uid != 0 || !trusted)
            return {Status::Refused,
                    "\"" + name + "\" is a symbolic link another user could change"};
        std::string text(4096, '\0');
        const ssize_t length = readlinkat(current.Get(), name.c_str(), &text[0], text.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= text.size())
            return {Status::Refused, "\"" + name + "\" cannot be read as a link"};
        text.resize(static_cast<std::size_t>(length));
        std::deque<std::string> components = ComponentsOf(text);
        rest.insert(rest.begin(), components.begin(), components.end());
        return text[0] == '/' ? StartAtRoot() : Opened();
    }

    // The path of the component `name` of the current folder; ".." comes
    // only from a trusted link's text.
    std::string PathOf(const std::string& name) const {
        if (name != "..")
            return walked + (walked == "/" ? "" : "/") + name;
        const std::size_t slash = walked.find_last_of('/');
        return slash == 0 ? "/" : walked.substr(0, slash);
    }

    // Refused for `why` when there is one: about the folder `at`, or about
    // the current one when none is named.
    Result Admitted(const std::string& why, const std::string& at = "") const {
        if (why.empty())
            return Opened();
        const std::string folder = at.empty() ? walked : at;
        return {Status::Refused, folder + ": " + why};
    }

    const FolderTrust& trust;
    Descriptor current;
    struct stat status {};
    std::string walked;
    bool trusted = false;
    int linksLeft = TrustedPath::kMaxLinks;
};

} // namespace

TrustedPath::Result TrustedPath::OpenFolder(const std::string& path, const FolderTrust& trust,
                                            Descriptor& folder) {
    folder.Reset();
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos)
        return {Status::Refused, "not an absolute path"};
    std::deque<std::string> rest = ComponentsOf(path);
    if (std::any_of(rest.begin(), rest.end(),
                    [](const std::string& name) { return name == "." || name == ".."; }))
        return {Status::Refused, "a path with a \".\" or \"..\" component"};
    Walk walk(trust);
    Result step = walk.StartAtRoot();
    while (step.status == Status::Opened && !rest.empty()) {
        const std::string name = rest.front();
        rest.pop_front();
        step = walk.Next(name, rest);
    }
    if (step.status == Status::Opened)
        folder = walk.TakeFolder();
    return step;
}

bool TrustedPath::IsRootsAlone(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash + 1 == path.size())
        return false;
    Descriptor folder;
    const std::string name = path.substr(slash + 1);
    if (OpenFolder(slash == 0 ? "/" : path.substr(0, slash), FolderTrust::RootAlone(), folder)
                .status != Status::Opened ||
        name == "." || name == "..")
        return false;
    struct stat status;
    return fstatat(folder.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(status.st_mode) && OnlyRootMayWrite(status);
}
