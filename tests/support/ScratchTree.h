// ScratchTree: a fresh folder per test, filled from short descriptions and
// compared as a whole, with a protected folder and file that only links lead to.
#ifndef QE_TESTS_SCRATCHTREE_H
#define QE_TESTS_SCRATCHTREE_H

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>

namespace scratch {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;

inline std::string Get(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every entry under `folder` by relative path: a file's content, "/" for a
// folder, "->" and the target for a link.
inline Tree Snapshot(const std::string& folder) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        tree[entry.path().string().substr(folder.size() + 1)] =
            entry.is_symlink()     ? "->" + fs::read_symlink(entry).string()
            : entry.is_directory() ? "/"
                                   : Get(entry.path());
    return tree;
}

// Every test works inside a fresh folder of its own, removed afterwards.
class ScratchTree : public ::testing::Test {
protected:
    ~ScratchTree() override { fs::remove_all(root); }
    std::string P(const std::string& name) const { return root + "/" + name; }
    // "name/" makes a folder, "name|" a FIFO, "name->target" a link, any other
    // name a file holding its own name.
    void Make(std::initializer_list<std::string> entries) const {
        for (const std::string& entry : entries) {
            const size_t arrow = entry.find("->");
            fs::create_directories(fs::path(P(entry.substr(0, arrow))).parent_path());
            if (arrow != std::string::npos)
                fs::create_symlink(entry.substr(arrow + 2), P(entry.substr(0, arrow)));
            else if (entry.back() == '|')
                mkfifo(P(entry.substr(0, entry.size() - 1)).c_str(), 0600);
            else if (entry.back() != '/')
                std::ofstream(P(entry), std::ios::binary) << entry;
        }
    }
    // A folder and a file outside every operation's path, reached only through links.
    void MakeProtected() const { Make({"protected/keep", "protected.txt"}); }
    bool ProtectedUntouched() const {
        return Snapshot(P("protected")) == Tree{{"keep", "protected/keep"}} &&
               Get(P("protected.txt")) == "protected.txt";
    }

    std::string root = MakeScratchFolder("qe-scratch");
};

} // namespace scratch

#endif
