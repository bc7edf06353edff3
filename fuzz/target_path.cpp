// TargetsFile::parse on arbitrary text: refused or read, never both, and
// every target read keeps each rule of the file, checked here a second way.
// The same text loaded from a file is read the same.
#include "FuzzCheck.h"
#include "TargetsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <unistd.h>

namespace {

void CheckTarget(const TargetsFile& file, const TargetsFile::Target& target) {
    const std::string host = FuzzText(target.host);
    const std::string name = FuzzText(target.name);
    const std::string path = FuzzText(target.path);
    FuzzCheck(host.empty() != name.empty(), "a target has exactly one of host and name");
    FuzzCheck((host + name + path).find('\0') == std::string::npos, "no NUL is read");
    FuzzCheck(!path.empty() && path[0] == '/', "a path is absolute");
    FuzzCheck(path.find_first_not_of('/') != std::string::npos, "a path is not the root");
    const std::string framed = "/" + path + "/";
    FuzzCheck(framed.find("/./") == std::string::npos && framed.find("/../") == std::string::npos,
              "a path has no dot component");
    FuzzCheck(target.row > 0, "a target has its line");
    FuzzCheck(name.empty() || file.namedTarget(target.name) == &target,
              "a named target is found by its name");
}

void CheckOutcome(const TargetsFile& file, bool read, const std::string& error) {
    if (!read) {
        FuzzCheck(file.targets.empty() && !error.empty(), "a refusal says why and keeps nothing");
        return;
    }
    FuzzCheck(error.empty(), "a file read has no error");
    std::set<std::string> names;
    int row = 0;
    for (const TargetsFile::Target& target : file.targets) {
        CheckTarget(file, target);
        FuzzCheck(target.name.IsEmpty() || names.insert(FuzzText(target.name)).second,
                  "no two named targets share a name");
        FuzzCheck(target.row >= row, "targets are in document order");
        row = target.row;
    }
    FuzzCheck(file.namedTarget(QeString()) == nullptr, "no target has an empty name");
}

std::string Outcome(const TargetsFile& file, bool read, const std::string& error) {
    std::string outcome = read ? "read" : "refused: " + error;
    for (const TargetsFile::Target& target : file.targets)
        outcome += "|" + FuzzText(target.host) + "|" + FuzzText(target.name) + "|" +
                   FuzzText(target.path) + "@" + std::to_string(target.row);
    return outcome;
}

// One scratch file for the whole run, removed when it ends.
class ScratchFile {
public:
    ScratchFile() {
        const int descriptor = mkstemp(path);
        FuzzCheck(descriptor >= 0, "mkstemp");
        close(descriptor);
    }
    ~ScratchFile() { std::remove(path); }

    const char* Write(const std::string& text) {
        FILE* file = std::fopen(path, "wb");
        FuzzCheck(file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size(),
                  "writing the scratch file");
        std::fclose(file);
        return path;
    }

private:
    char path[32] = "/tmp/fuzz-targets-XXXXXX";
};

// A file's line ends are made LF as it is loaded, and a limit passed after a
// NUL refuses it; elsewhere text and file read the same.
void CheckFileReadsAlike(const std::string& text, const std::string& parsed) {
    if (text.find_first_of(std::string("\r\0", 2)) != std::string::npos)
        return;
    static ScratchFile scratch;
    TargetsFile file;
    std::string error;
    const bool read = file.fromFile(scratch.Write(text), error);
    FuzzCheck(Outcome(file, read, error) == parsed, "a file reads as its text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TargetsFile file;
    std::string error;
    const bool read = file.parse(text, error);
    CheckOutcome(file, read, error);
    CheckFileReadsAlike(text, Outcome(file, read, error));
    return 0;
}
