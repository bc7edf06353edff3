#include "PathLibrary.h"

#include <algorithm>
#include <string>

#ifdef __APPLE__
#include <CoreServices/CoreServices.h>
#else
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <string>
#include <unistd.h>
#endif

namespace {

bool IsOnlyDots(const QeString& text) {
    for (unsigned long i = 0; i < text.Size(); ++i) {
        if (text[i] != '.')
            return false;
    }
    return true;
}

} // namespace

#ifndef __APPLE__
namespace {

// ---- The documents folder (Linux: the desktop's user directories) ----

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    const passwd* user = getpwuid(getuid());
    return user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/' ? user->pw_dir : "";
}

std::string UserDirsFile(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/user-dirs.dirs";
    return home + "/.config/user-dirs.dirs";
}

// The value of XDG_DOCUMENTS_DIR="..." with $HOME expanded and backslash
// escapes undone; empty when the file does not give an absolute one.
std::string ConfiguredDocumentsDir(const std::string& home) {
    std::ifstream file(UserDirsFile(home));
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    std::string found;
    for (std::string line; std::getline(file, line);) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        std::string value;
        bool closed = false;
        for (std::size_t i = start + key.size(); i < line.size() && !closed; ++i) {
            if (line[i] == '\\' && i + 1 < line.size())
                value += line[++i];
            else if (line[i] == '"')
                closed = true;
            else
                value += line[i];
        }
        if (!closed)
            continue;
        if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
            value = home + value.substr(5);
        if (!value.empty() && value[0] == '/')
            found = value; // the last line wins, as the shell would read it
    }
    return found;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace
#endif

QeString PathLibrary::GetFileNameFromPath(const QeString& path, const QeString& separator) {
    const unsigned long last = path.IndexLastOf(separator);
    if (path.HasOf(last) && last < path.Size() - 1)
        return path.Substr(last + separator.Size());
    return path;
}

QeString PathLibrary::GetDirectoryWithFile(const QeString& directory, const QeString& fileName,
                                           const QeString& separator) {
    const unsigned long last = directory.IndexLastOf(separator);
    if (directory.HasOf(last) && last == directory.Size() - 1)
        return directory + fileName;
    return directory + separator + fileName;
}

std::string PathLibrary::AppendPathComponent(const std::string& base,
                                             const std::string& component) {
    if (base.empty() || base.back() == '/')
        return base + component;
    return base + "/" + component;
}

std::string PathLibrary::RemoveLastPathComponent(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

QeString PathLibrary::GetDirectoryWithoutFile(const QeString& path, const QeString& separator) {
    const unsigned long last = path.IndexLastOf(separator);
    if (path.HasOf(last))
        return path.Substr(0, last + separator.Size());
    return QeString();
}

QeString PathLibrary::CollapsePath(const QeString& path, const QeString& separator) {
    const QeString parentStep = separator + ".." + separator;
    QeString collapsed = path;
    for (;;) {
        const unsigned long step = collapsed.IndexOf(parentStep);
        if (!collapsed.HasOf(step) || step == 0)
            return collapsed;
        const unsigned long previous = collapsed.Substr(0, step).IndexLastOf(separator);
        if (previous == QeString::maxLen)
            return collapsed;
        collapsed = collapsed.Substr(0, previous + separator.Size()) +
                    collapsed.Substr(step + parentStep.Size());
    }
}

QeString PathLibrary::GetDirectoryPathWithoutLastSlash(const QeString& path,
                                                       const QeString& separator) {
    const unsigned long last = path.IndexLastOf(separator);
    if (path.HasOf(last) && last == path.Size() - 1)
        return path.Substr(0, last);
    return path;
}

QeString PathLibrary::GetParentDir(const QeString& path, const QeString& separator) {
    const QeString directory = GetDirectoryPathWithoutLastSlash(path, separator);
    return GetDirectoryPathWithoutLastSlash(GetDirectoryWithoutFile(directory, separator),
                                            separator);
}

QeString PathLibrary::RemoveExtension(const QeString& path) {
    const unsigned long dot = path.IndexOf(".");
    return path.HasOf(dot) ? path.Substr(0, dot) : path;
}

QeString PathLibrary::GetExtension(const QeString& path) {
    const unsigned long dot = path.IndexLastOf(".");
    return path.HasOf(dot) ? path.Substr(dot + 1) : QeString();
}

QeString PathLibrary::GetFileNameWithoutExtensionFromPath(const QeString& path,
                                                          const QeString& separator) {
    return RemoveExtension(GetFileNameFromPath(path, separator));
}

#ifdef __APPLE__
QeString PathLibrary::GetUserDocumentsDir() {
    FSRef folder;
    if (FSFindFolder(kOnAppropriateDisk, kDocumentsFolderType, kDontCreateFolder, &folder) != noErr)
        return QeString();
    // One byte is kept back, so the text always ends with a NUL.
    char path[4096] = {};
    if (FSRefMakePath(&folder, reinterpret_cast<UInt8*>(path), sizeof path - 1) != noErr)
        return QeString();
    return QeString(path);
}
#else
// Where the desktop's user directories put it (XDG_DOCUMENTS_DIR), else
// ~/Documents.
QeString PathLibrary::GetUserDocumentsDir() {
    const std::string home = HomeDirectory();
    if (home.empty())
        return QeString();
    std::string documents = ConfiguredDocumentsDir(home);
    if (documents.empty())
        documents = WithoutTrailingSlashes(home) + "/Documents";
    documents = WithoutTrailingSlashes(documents);
    return QeString(documents.data(), documents.size());
}
#endif

QeString PathLibrary::GetSafeFileName(const QeString& name, const QeString& replacement) {
    if (name.IsEmpty())
        return QeString();
    // The array's terminating NUL is one of the unsafe bytes.
    static const char szUnsafeChars[] = "<>:\"/\\|?*";
    QeString safe = name;
    for (const char& unsafe : szUnsafeChars)
        safe = safe.Replace(QeString(&unsafe, 1), replacement);
    if (safe.IsSet() && safe[safe.Size() - 1] == '.')
        safe = safe.Substr(0, safe.Size() - 1);
    // "." and ".." would name the folder or its parent; a longer run of dots
    // is one trailing-dot removal away from them. A replacement that is
    // empty or made of dots cannot make such a name safe.
    if (IsOnlyDots(safe))
        safe = safe.Replace(".", replacement);
    return IsOnlyDots(safe) ? QeString() : safe;
}

QeString PathLibrary::NormalizePath(const QeString& path) {
    return path.Replace("\\", "/").Replace("//", "/");
}

bool PathLibrary::IsEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

std::vector<std::string> PathLibrary::Components(const std::string& path) {
    std::vector<std::string> components;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            components.emplace_back(path, start, end - start);
        start = end + 1;
    }
    return components;
}
