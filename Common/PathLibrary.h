// PathLibrary: operations on path texts. Pure text: the file system is never
// consulted (but by GetUserDocumentsDir), nothing fails, and every result is
// a new string. The separator is matched as a whole text.
//
//   PathLibrary::GetFileNameFromPath("/a/b/c.txt");           // "c.txt"
//   PathLibrary::GetDirectoryWithFile("/a/b", "f.txt");        // "/a/b/f.txt"
//   PathLibrary::GetParentDir("/a/b/c/");                      // "/a/b"
//   PathLibrary::CollapsePath("/a/b/../c");                    // "/a/c"
//   PathLibrary::GetSafeFileName("a:b?", "_");                 // "a_b_"
//   PathLibrary::Components("/a//b/");                         // "a", "b"
#ifndef QE_PATHLIBRARY_H
#define QE_PATHLIBRARY_H

#include "QeString.h"

#include <string>
#include <vector>

/// The separator the suite's callers pass. Each file that includes this
/// header has its own copy.
static const QeString kPathSeparator("/");

class PathLibrary {
public:
    /// The text after the last separator; the whole path when there is none
    /// or the path ends with it ("/a/b/" stays "/a/b/").
    static QeString GetFileNameFromPath(const QeString& path,
                                        const QeString& separator = kPathSeparator);
    /// The directory and the name joined by one separator, unless the
    /// directory ends with one already; an empty directory gives "/name".
    static QeString GetDirectoryWithFile(const QeString& directory, const QeString& fileName,
                                         const QeString& separator = kPathSeparator);
    /// `base` and `component` joined by one "/", unless `base` ends with one
    /// already; an empty `base` gives `component` alone (unlike
    /// GetDirectoryWithFile, which gives "/component").
    static std::string AppendPathComponent(const std::string& base, const std::string& component);
    /// The path less its last "/" and what follows; "/" for "/name", "." for
    /// a path without "/".
    static std::string RemoveLastPathComponent(const std::string& path);
    /// Everything up to and including the last separator; empty without one.
    static QeString GetDirectoryWithoutFile(const QeString& path,
                                            const QeString& separator = kPathSeparator);
    /// Removes each component followed by "/../" together with it, where a
    /// separator stands before the component ("/a/b/../c" gives "/a/c";
    /// "a/../b", "/../a" and "/a/b/.." stay as they are).
    static QeString CollapsePath(const QeString& path, const QeString& separator = kPathSeparator);
    /// The path less exactly one trailing separator.
    static QeString GetDirectoryPathWithoutLastSlash(const QeString& path,
                                                     const QeString& separator = kPathSeparator);
    /// The parent directory without a trailing separator; one trailing
    /// separator of the path is ignored, and "/a" or "a" give empty.
    static QeString GetParentDir(const QeString& path, const QeString& separator = kPathSeparator);
    /// The text before the first "." anywhere in the path.
    static QeString RemoveExtension(const QeString& path);
    /// The text after the last "." anywhere in the path; empty without one.
    static QeString GetExtension(const QeString& path);
    /// The last component less everything from its first ".".
    static QeString GetFileNameWithoutExtensionFromPath(const QeString& path,
                                                        const QeString& separator = kPathSeparator);
    /// The absolute path of the user's documents folder, without a trailing
    /// separator; empty when it cannot be found. The folder is never created.
    static QeString GetUserDocumentsDir();
    /// The name with each of < > : " / \ | ? * and the NUL byte replaced by
    /// `replacement`, then one trailing "." removed; a result made only of
    /// dots then has each dot replaced too ("..." gives "__" with "_"), and
    /// is empty when that still leaves only dots.
    static QeString GetSafeFileName(const QeString& name, const QeString& replacement);
    /// Backslashes turned into "/", then each "//" into "/" in one pass
    /// (three slashes give two).
    static QeString NormalizePath(const QeString& path);
    /// True when `name` can name one entry of a folder: not empty, not "." or
    /// "..", and without "/" or a NUL byte.
    static bool IsEntryName(const std::string& name);
    /// The components of `path` in order, empty ones left out ("/a//b/"
    /// gives "a", "b"; "/" and "" give none); "." and ".." are kept.
    static std::vector<std::string> Components(const std::string& path);
};

#endif
