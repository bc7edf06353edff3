// TargetsFile: where a product was installed (target_path.xml), read whole
// and checked before anything is removed.
//
// A host target names the folder a host variant's install-files tree was laid
// out under; a named target, a folder that file shortcuts name as their
// `dir`. A file that breaks any rule is refused whole, so that an uninstall
// never acts on part of what was meant.
//
//   TargetsFile file;
//   std::string error;
//   if (!file.fromFile("target_path.xml", error))
//       std::cerr << error << "\n";  // target 2 (line 4): path "P" is not absolute
//   file.namedTarget("Documentation");  // its folder, or nullptr
#ifndef QE_TARGETSFILE_H
#define QE_TARGETSFILE_H

#include "QeString.h"

#include <string>
#include <vector>

class TargetsFile {
public:
    struct Target {
        QeString host; // a host variant, empty for a named target
        QeString name; // the name of a named target, empty for a host target
        QeString path; // as written
        int row = 0;   // the line of its <target> element
    };
    /// The targets in document order; empty whenever a file was refused.
    std::vector<Target> targets;
    /// Reads the file at `path` (loaded with XMLLoader::LoadPath, as the product definition is,
    /// so a FIFO or device is refused without blocking). False, with `error` saying which target
    /// and why, when the file is missing, unreadable, malformed, cut by a nesting/attribute limit,
    /// or breaks a rule; then `targets` is empty.
    bool fromFile(const QeString& path, std::string& error);
    /// The same from text in memory (XMLLoader::ParseText, as SKUDefinition::parse does);
    /// nothing past a NUL is read.
    bool parse(const std::string& text, std::string& error);
    /// The named target called `name`, or nullptr (always for an empty name).
    const Target* namedTarget(const QeString& name) const;
};

#endif
