#include "FileLibrary.h"

#include "PathLibrary.h"
#include "ProcessLibrary.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A path as one argument; a NUL inside it could not be passed and would
// name another file, so such a path is refused.
bool AsArgument(const QeString& path, std::string& argument) {
    argument.assign(path.ConstData(), path.Size());
    return argument.find('\0') == std::string::npos;
}

// Runs `command`, then "--", then the paths; true when it exits with 0.
bool RunTool(std::vector<std::string> command, const std::vector<const QeString*>& paths) {
    command.push_back("--");
    for (const QeString* path : paths) {
        command.emplace_back();
        if (!AsArgument(*path, command.back()))
            return false;
    }
    return ProcessLibrary::Run(command) == 0;
}

// True for the root, the current folder and their ancestors in any
// spelling ("//", "/./", "./..", "a/.."): only "", "." and ".." components,
// or a last component of "." or "..".
bool NamesRootOrCurrentFolder(const QeString& path) {
    std::string text(path.ConstData(), path.Size());
    bool onlyDots = true;
    std::string last;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string component = text.substr(start, end - start);
        if (!component.empty()) {
            onlyDots = onlyDots && (component == "." || component == "..");
            last = component;
        }
        start = end + 1;
    }
    return onlyDots || last == "." || last == "..";
}

// True when the folder the path leads to is the root, the current folder or
// one that holds it, whatever the path's text.
bool LeadsToRootOrCurrentFolder(const QeString& path) {
    char* target = realpath(path.ConstData(), nullptr);
    char* current = realpath(".", nullptr);
    bool holdsCurrent = target != nullptr && std::strcmp(target, "/") == 0;
    if (target != nullptr && current != nullptr) {
        const std::size_t length = std::strlen(target);
        holdsCurrent = holdsCurrent || (std::strncmp(current, target, length) == 0 &&
                                        (current[length] == '\0' || current[length] == '/'));
    }
    std::free(target);
    std::free(current);
    return holdsCurrent;
}

bool IsSymbolicLink(const QeString& path) {
    struct stat status;
    return lstat(path.ConstData(), &status) == 0 && S_ISLNK(status.st_mode);
}

} // namespace

bool FileLibrary::IsFileExists(const QeString& path, bool isDirectory) {
    struct stat status;
    if (path.IsEmpty() || stat(path.ConstData(), &status) != 0)
        return false;
    return isDirectory ? S_ISDIR(status.st_mode) : S_ISREG(status.st_mode);
}

bool FileLibrary::IsDirectoryExists(const QeString& path) {
    return IsFileExists(path, true);
}

FILE* FileLibrary::OpenRegularFile(const QeString& path) {
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
    if (path.IsEmpty())
        return false;
    FILE* file = std::fopen(path.ConstData(), append ? "ab" : "wb");
    if (file == nullptr)
        return false;
    const bool written =
        std::fwrite(content.ConstData(), 1, content.Size(), file) == content.Size();
    std::fclose(file);
    return written;
}

bool FileLibrary::CreateDirectory(const QeString& path, bool recursive) {
    return RunTool(recursive ? std::vector<std::string>{"mkdir", "-p"}
                             : std::vector<std::string>{"mkdir"},
                   {&path});
}

bool FileLibrary::CopyFile(const QeString& source, const QeString& destination) {
    return IsFileExists(source) && RunTool({"cp", "-f"}, {&source, &destination});
}

bool FileLibrary::CopyFolder(const QeString& source, const QeString& destination, bool) {
    if (!IsDirectoryExists(source))
        return false;
    if (IsSymbolicLink(destination))
        RemoveFolder(destination);
#ifdef __APPLE__
    const bool copied = RunTool({"ditto"}, {&source, &destination});
#else
    // As ditto does: parents made as needed, and the content copied into
    // the destination whether or not it existed (-T), links and modes kept.
    const QeString parent = PathLibrary::GetParentDir(destination, kPathSeparator);
    if (parent.IsSet())
        RunTool({"mkdir", "-p"}, {&parent});
    const bool copied = RunTool({"cp", "-a", "-T"}, {&source, &destination});
#endif
    if (copied)
        RunTool({"touch"}, {&destination});
    return copied;
}

bool FileLibrary::RemoveFolder(const QeString& path) {
    if (!IsDirectoryExists(path))
        return true;
    const QeString collapsed = PathLibrary::CollapsePath(path, kPathSeparator);
    if (collapsed.IsEmpty())
        return false;
    static const char* const denyList[] = {"/", ".", "/*", "*"};
    for (const char* denied : denyList) {
        if (collapsed.EqualsIgnoreCase(denied))
            return false;
    }
    if (NamesRootOrCurrentFolder(collapsed) || LeadsToRootOrCurrentFolder(collapsed))
        return false;
    return RunTool({"rm", "-rf"}, {&collapsed});
}

bool FileLibrary::RemoveFile(const QeString& path) {
    return path.IsSet() && RunTool({"rm", "-f"}, {&path});
}

bool FileLibrary::RemoveEmptyDirectory(const QeString& path) {
    return !IsDirectoryExists(path) || RunTool({"rmdir"}, {&path});
}

bool FileLibrary::CreateShortCut(const QeString& target, const QeString& link) {
    if (target.IsEmpty() || link.IsEmpty())
        return false;
    if (!IsFileExists(target) && !IsDirectoryExists(target))
        return false;
    return RunTool({"ln", "-sf"}, {&target, &link});
}
