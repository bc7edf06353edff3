#include "FileLibrary.h"

#include "Descriptor.h"
#include "PathLibrary.h"
#include "ProcessLibrary.h"
#include "TreeCopy.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Tools by absolute path: run with rights, a tool looked up in PATH could be
// anyone's.
const char kMkdir[] = "/bin/mkdir";
const char kCp[] = "/bin/cp";
const char kRm[] = "/bin/rm";
const char kRmdir[] = "/bin/rmdir";
const char kLn[] = "/bin/ln";
#ifdef __APPLE__
const char kTouch[] = "/usr/bin/touch";
#else
const char kTouch[] = "/bin/touch";
#endif

// A NUL would cut the path short and name another file: such a path is
// refused by every operation.
bool HoldsNul(const QeString& path) {
    return std::memchr(path.ConstData(), '\0', path.Size()) != nullptr;
}

std::string Text(const QeString& path) {
    return std::string(path.ConstData(), path.Size());
}

// Runs `command`, then "--", then the paths; true when it exits with 0.
bool RunTool(std::vector<std::string> command, const std::vector<std::string>& paths) {
    command.push_back("--");
    command.insert(command.end(), paths.begin(), paths.end());
    return ProcessLibrary::Run(command) == 0;
}

// A trailing separator makes the kernel follow a link in the last place;
// without it, the entry itself is acted on. The root stays "/".
std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && path.back() == '/';
}

// The folder that holds the last component, and that component.
std::pair<std::string, std::string> SplitLast(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool HasComponent(const std::string& path, const std::string& name) {
    const std::vector<std::string> components = PathLibrary::Components(path);
    return std::find(components.begin(), components.end(), name) != components.end();
}

// True for the root, the current folder and their ancestors in any
// spelling ("//", "/./", "./..", "a/.."): only "", "." and ".." components,
// or a last component of "." or "..".
bool NamesRootOrCurrentFolder(const std::string& text) {
    const std::vector<std::string> components = PathLibrary::Components(text);
    const auto isDots = [](const std::string& name) { return name == "." || name == ".."; };
    return std::all_of(components.begin(), components.end(), isDots) || isDots(components.back());
}

using RealPath = std::unique_ptr<char, decltype(&std::free)>;

// True when the entry the path names (its last component itself, not where
// a link there leads) is neither the current folder nor one that holds it.
// False when that cannot be worked out, as for a path too long for realpath.
bool IsAwayFromCurrentFolder(const std::string& path) {
    const auto [folder, name] = SplitLast(path);
    const RealPath realFolder(realpath(folder.c_str(), nullptr), &std::free);
    const RealPath current(realpath(".", nullptr), &std::free);
    if (!realFolder || !current)
        return false;
    std::string entry = realFolder.get();
    if (entry.back() != '/')
        entry += '/';
    entry += name;
    const std::string here = current.get();
    return here.compare(0, entry.size(), entry) != 0 ||
           (here.size() > entry.size() && here[entry.size()] != '/');
}

enum class Presence { Folder, NoFolder, Unknown };

// Whether the path (links followed) leads to a folder; Unknown when stat
// fails for another reason than a missing entry (a path too long, a loop).
Presence FolderPresence(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0)
        return S_ISDIR(status.st_mode) ? Presence::Folder : Presence::NoFolder;
    return errno == ENOENT || errno == ENOTDIR ? Presence::NoFolder : Presence::Unknown;
}

bool IsSymbolicLink(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool IsRealFolder(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

#ifdef __APPLE__
// cp has no form that replaces a link instead of writing through it here.
bool ReplaceWithCopy(const std::string& source, const std::string& destination) {
    const auto [folder, name] = SplitLast(destination);
    const Descriptor parent(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return parent.IsOpen() && TreeCopy::CopyFileAt(source, parent.Get(), name);
}
#endif

// A regular file opened for writing, created when missing and emptied unless
// appended to. A link in its place is not written through, and a FIFO or a
// device is refused without waiting for a reader.
FILE* OpenRegularFileForWriting(const QeString& path, bool append) {
    const int descriptor = open(
        path.ConstData(),
        O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (append ? O_APPEND : 0), 0666);
    if (descriptor < 0)
        return nullptr;
    struct stat status;
    FILE* file = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
                         (append || ftruncate(descriptor, 0) == 0)
                     ? fdopen(descriptor, append ? "ab" : "wb")
                     : nullptr;
    if (file == nullptr)
        close(descriptor);
    return file;
}

} // namespace

bool FileLibrary::IsFileExists(const QeString& path, bool isDirectory) {
    struct stat status;
    if (path.IsEmpty() || HoldsNul(path) || stat(path.ConstData(), &status) != 0)
        return false;
    return isDirectory ? S_ISDIR(status.st_mode) : S_ISREG(status.st_mode);
}

bool FileLibrary::IsDirectoryExists(const QeString& path) {
    return IsFileExists(path, true);
}

FILE* FileLibrary::OpenRegularFile(const QeString& path) {
    if (HoldsNul(path))
        return nullptr;
    const int descriptor = open(path.ConstData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    FILE* file = fdopen(descriptor, "rb");
    if (file == nullptr)
        close(descriptor);
    return file;
}

QeString FileLibrary::readFile(const QeString& path) {
    QeString content;
    FILE* file = path.IsSet() ? OpenRegularFile(path) : nullptr;
    if (file == nullptr)
        return content;
    const long start = std::ftell(file);
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        std::fseek(file, start, SEEK_SET);
        char* bytes = size > 0 ? new (std::nothrow) char[static_cast<std::size_t>(size)] : nullptr;
        if (bytes != nullptr && std::fread(bytes, 1, static_cast<std::size_t>(size), file) ==
                                    static_cast<std::size_t>(size))
            content.init(bytes, static_cast<unsigned long>(size));
        delete[] bytes;
    }
    std::fclose(file);
    return content;
}

bool FileLibrary::writeFile(const QeString& content, const QeString& path, bool append) {
    if (path.IsEmpty() || HoldsNul(path))
        return false;
    FILE* file = OpenRegularFileForWriting(path, append);
    if (file == nullptr)
        return false;
    const bool written =
        std::fwrite(content.ConstData(), 1, content.Size(), file) == content.Size();
    std::fclose(file);
    return written;
}

bool FileLibrary::CreateDirectory(const QeString& path, bool recursive) {
    if (HoldsNul(path))
        return false;
    return RunTool(recursive ? std::vector<std::string>{kMkdir, "-p"}
                             : std::vector<std::string>{kMkdir},
                   {Text(path)});
}

bool FileLibrary::CopyFile(const QeString& source, const QeString& destination) {
    if (HoldsNul(destination) || !IsFileExists(source))
        return false;
    // The destination itself is replaced: a link there is not written
    // through, and a folder is not copied into.
    const std::string to = Text(destination);
    if (EndsWithSeparator(to) || IsRealFolder(to))
        return false;
#ifdef __APPLE__
    return ReplaceWithCopy(Text(source), to);
#else
    return RunTool({kCp, "--remove-destination", "-T"}, {Text(source), to});
#endif
}

bool FileLibrary::CopyFolder(const QeString& source, const QeString& destination, bool) {
    if (HoldsNul(destination) || !IsDirectoryExists(source))
        return false;
    const std::string to = WithoutTrailingSeparators(Text(destination));
    if (IsSymbolicLink(to))
        RunTool({kRm, "-f"}, {to});
    if (!RunTool({kMkdir, "-p"}, {to}))
        return false;
    // Opened without following a link, in case one was put back meanwhile.
    const Descriptor folder(open(to.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const bool copied = folder.IsOpen() && TreeCopy::CopyContents(Text(source), folder.Get());
    if (copied)
        RunTool({kTouch, "-h"}, {to});
    return copied;
}

bool FileLibrary::RemoveFolder(const QeString& path) {
    if (HoldsNul(path))
        return false;
    // The last component is acted on itself: a link there is removed, never
    // what it leads to.
    const std::string entry = WithoutTrailingSeparators(Text(path));
    const Presence presence = FolderPresence(entry);
    if (presence != Presence::Folder)
        return presence == Presence::NoFolder;
    const QeString collapsed = PathLibrary::CollapsePath(path, kPathSeparator);
    if (collapsed.IsEmpty())
        return false;
    static const char* const denyList[] = {"/", ".", "/*", "*"};
    for (const char* denied : denyList) {
        if (collapsed.EqualsIgnoreCase(denied))
            return false;
    }
    // rm resolves ".." after the links before it, which the text cannot
    // tell: what it removed would not be what was checked.
    if (HasComponent(entry, "..") || NamesRootOrCurrentFolder(entry) ||
        !IsAwayFromCurrentFolder(entry))
        return false;
    return RunTool({kRm, "-rf"}, {entry});
}

bool FileLibrary::RemoveFile(const QeString& path) {
    return path.IsSet() && !HoldsNul(path) && RunTool({kRm, "-f"}, {Text(path)});
}

bool FileLibrary::RemoveEmptyDirectory(const QeString& path) {
    if (HoldsNul(path))
        return false;
    return !IsDirectoryExists(path) || RunTool({kRmdir}, {Text(path)});
}

bool FileLibrary::CreateShortCut(const QeString& target, const QeString& link) {
    if (target.IsEmpty() || link.IsEmpty() || HoldsNul(link))
        return false;
    if (!IsFileExists(target) && !IsDirectoryExists(target))
        return false;
    // The named path itself becomes the link (-n, and -T where there is one):
    // a link to a folder there is replaced, not entered. A real folder, or a
    // path ending in a separator, which names one, is refused.
    const std::string at = Text(link);
    if (EndsWithSeparator(at) || IsRealFolder(at))
        return false;
#ifdef __APPLE__
    return RunTool({kLn, "-sfn"}, {Text(target), at});
#else
    return RunTool({kLn, "-sfnT"}, {Text(target), at});
#endif
}
