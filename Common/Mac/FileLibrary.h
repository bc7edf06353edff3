// FileLibrary: files and folders by path.
//
// Existence tests and whole-file reading and writing use the C library; a
// folder's content is copied by TreeCopy; everything else that changes the
// file system runs the platform's command-line tools (mkdir, cp, rm, rmdir,
// ln, touch) by absolute path, without a shell: each path reaches its tool as
// one argument with its text unchanged, after "--" so that a leading "-" is
// never an option. A link is never acted through unless asked for, and a
// path holding a NUL byte is refused by every operation (false, empty or
// null). Results are booleans (or an empty text); nothing is printed but the
// tools' own diagnostics.
//
//   FileLibrary::writeFile("hello", "/tmp/a.txt");     // content first, then path
//   FileLibrary::CopyFile("/tmp/a.txt", "/tmp/b.txt");
//   FileLibrary::RemoveFolder("/tmp/../");              // false: a ".." component
#ifndef QE_FILELIBRARY_H
#define QE_FILELIBRARY_H

#include "QeString.h"

#include <cstdio>
#include <string>

class FileLibrary {
public:
    /// True when the path (links followed) is a regular file, or a directory
    /// when `isDirectory`; false for a path holding a NUL.
    static bool IsFileExists(const QeString& path, bool isDirectory = false);
    static bool IsDirectoryExists(const QeString& path);
    /// The whole content of a regular file, NUL bytes included; empty when
    /// it is missing, empty, not a regular file or not fully read.
    static QeString readFile(const QeString& path);
    /// Writes all of `content` to the regular file at `path` (created when
    /// missing), after its bytes when `append`, else in place of them. False,
    /// writing nothing, when `path` is a link, a FIFO, a device or a folder.
    static bool writeFile(const QeString& content, const QeString& path, bool append = false);
    /// mkdir (with -p when `recursive`: parents too, and an existing folder
    /// is fine).
    static bool CreateDirectory(const QeString& path, bool recursive = true);
    /// Copies a regular file (links followed) to a destination that is
    /// replaced, never written through when a link; a destination that is a
    /// folder, or ends in a separator, is refused.
    static bool CopyFile(const QeString& source, const QeString& destination);
    /// Leaves the destination folder (created with its parents when missing,
    /// not emptied when present) holding a copy of the source folder's
    /// content, modes and links kept, then touches it. A destination that is
    /// a symbolic link, trailing separators or not, is removed first; links
    /// inside it are replaced, never followed. The third argument has no
    /// effect.
    static bool CopyFolder(const QeString& source, const QeString& destination, bool = false);
    /// rm -rf of the path less its trailing separators; true when it leads
    /// to no folder. A path ending in a link to a folder removes the link
    /// only. Refused (false, nothing removed): a ".." component, the root,
    /// the current folder and the folders that hold it however they are
    /// spelt ("/", "//", "/.", "./", or the current folder's absolute path),
    /// "*" and "/*", and any path that cannot be checked (too long, a loop,
    /// a real location that cannot be worked out).
    static bool RemoveFolder(const QeString& path);
    /// rm -f: a missing file is removed already.
    static bool RemoveFile(const QeString& path);
    /// rmdir: fails when the folder is not empty; true when there is no such folder.
    static bool RemoveEmptyDirectory(const QeString& path);
    /// A symbolic link at `link` to the existing file or folder `target`,
    /// replacing a file or link there (a link to a folder is replaced, not
    /// entered); refused when `link` is a real folder or ends in a separator.
    static bool CreateShortCut(const QeString& target, const QeString& link);

    /// Opens a regular file for reading ("rb") without blocking on a FIFO or
    /// opening a directory; null otherwise, and for a path holding a NUL.
    static FILE* OpenRegularFile(const QeString& path);
};

#endif
