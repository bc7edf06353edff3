// FileLibrary: files and folders by path.
//
// Existence tests and whole-file reading and writing use the C library;
// everything that changes the file system runs the platform's command-line
// tools (mkdir, cp, rm, rmdir, ln, touch) directly, without a shell: each
// path reaches its tool as one argument with its text unchanged, after "--"
// so that a leading "-" is never an option. Results are booleans (or an empty
// text); nothing is printed but the tools' own diagnostics.
//
//   FileLibrary::writeFile("hello", "/tmp/a.txt");     // content first, then path
//   FileLibrary::CopyFile("/tmp/a.txt", "/tmp/b.txt");
//   FileLibrary::RemoveFolder("/tmp/../");              // false: collapses to "/"
#ifndef QE_FILELIBRARY_H
#define QE_FILELIBRARY_H

#include "QeString.h"

#include <cstdio>

class FileLibrary {
public:
    /// True when the path (links followed) is a regular file, or a directory
    /// when `isDirectory`.
    static bool IsFileExists(const QeString& path, bool isDirectory = false);
    static bool IsDirectoryExists(const QeString& path);
    /// The whole content of a regular file, NUL bytes included; empty when
    /// it is missing, empty, not a regular file or not fully read.
    static QeString readFile(const QeString& path);
    /// Writes all of `content` to the file at `path`, after its bytes when
    /// `append`, else in place of them.
    static bool writeFile(const QeString& content, const QeString& path, bool append = false);
    /// mkdir (with -p when `recursive`: parents too, and an existing folder
    /// is fine).
    static bool CreateDirectory(const QeString& path, bool recursive = true);
    /// cp -f, when the source is a regular file.
    static bool CopyFile(const QeString& source, const QeString& destination);
    /// Leaves the destination folder (created with its parents when missing,
    /// not emptied when present) holding a copy of the source folder's
    /// content, then touches it. A destination that is a symbolic link is
    /// removed first. The third argument has no effect.
    static bool CopyFolder(const QeString& source, const QeString& destination, bool = false);
    /// rm -rf of the path collapsed; true when there is no such folder. The
    /// root, the current folder and the folders that hold it are refused
    /// however they are spelt ("/", "//", "/.", "./", "/tmp/..", "..", or the
    /// current folder's absolute path), and so are "*" and "/*".
    static bool RemoveFolder(const QeString& path);
    /// rm -f: a missing file is removed already.
    static bool RemoveFile(const QeString& path);
    /// rmdir: fails when the folder is not empty; true when there is no such folder.
    static bool RemoveEmptyDirectory(const QeString& path);
    /// ln -sf: a symbolic link at `link` to the existing file or folder `target`.
    static bool CreateShortCut(const QeString& target, const QeString& link);

    /// Opens a regular file for reading ("rb") without blocking on a FIFO or
    /// opening a directory; null otherwise.
    static FILE* OpenRegularFile(const QeString& path);
};

#endif
