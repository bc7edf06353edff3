#include "FileLibrary.h"
#include "ProcessLibrary.h"
#include "TestSupport.h"

#include "ScratchTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using scratch::Get;
using scratch::Snapshot;
using scratch::Tree;

struct CurrentFolder {
    explicit CurrentFolder(const std::string& path) : previous(fs::current_path()) {
        fs::current_path(path);
    }
    ~CurrentFolder() { fs::current_path(previous); }
    fs::path previous;
};

// Every test works inside a fresh folder of its own, removed afterwards.
class Scratch : public scratch::ScratchTree {
protected:
    static QeString Q(const std::string& text) { return QeString(text.data(), text.size()); }
    QeString QP(const std::string& name) const { return Q(P(name)); }
    void Age(const std::string& name) const {
        fs::last_write_time(P(name), fs::last_write_time(P(name)) - std::chrono::hours(9000));
    }
    bool Fresh(const std::string& name) const {
        return fs::last_write_time(P(name)) >
               fs::file_time_type::clock::now() - std::chrono::hours(1);
    }
};

using FileLibraryIsFileExists = Scratch;
using FileLibraryReadFile = Scratch;
using FileLibraryWriteFile = Scratch;
using FileLibraryCreateDirectory = Scratch;
using FileLibraryCopyFile = Scratch;
using FileLibraryCopyFolder = Scratch;
using FileLibraryRemoveFolder = Scratch;
using FileLibraryRemoveFile = Scratch;
using FileLibraryRemoveEmptyDirectory = Scratch;
using FileLibraryCreateShortCut = Scratch;
using FileLibraryHostilePaths = Scratch;

} // namespace

TEST_F(FileLibraryIsFileExists, FollowsLinksAndKnowsOnlyFilesAndFolders) {
    Make({"f", "d/", "lf->f", "ld->" + P("d"), "dangling->missing", "fifo|"});
    // clang-format off
    const struct { const char* name; bool file, folder; } cases[] = {
        {"f", true, false}, {"d", false, true}, {"lf", true, false}, {"ld", false, true},
        {"dangling", false, false}, {"fifo", false, false}, {"missing", false, false}};
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(c.file, FileLibrary::IsFileExists(QP(c.name))) << c.name;
        EXPECT_EQ(c.folder, FileLibrary::IsFileExists(QP(c.name), true)) << c.name;
        EXPECT_EQ(c.folder, FileLibrary::IsDirectoryExists(QP(c.name))) << c.name;
    }
    EXPECT_FALSE(FileLibrary::IsFileExists("") || FileLibrary::IsDirectoryExists(""));
}

TEST_F(FileLibraryReadFile, WholeRegularFilesOnly) {
    const std::string zeros = std::string("a\0b", 3) + std::string(70000, '\0') + "c";
    std::ofstream(P("zeros"), std::ios::binary) << zeros;
    EXPECT_EQ(zeros, Text(FileLibrary::readFile(QP("zeros"))));

    Make({"d/", "fifo|"});
    std::ofstream(P("empty")).flush();
    alarm(30); // a read blocked on the FIFO ends the run instead of hanging it
    for (const char* name : {"empty", "missing", "d", "fifo"})
        EXPECT_EQ("", Text(FileLibrary::readFile(QP(name)))) << name;
    alarm(0);
    EXPECT_EQ("", Text(FileLibrary::readFile("")));
}

TEST_F(FileLibraryWriteFile, ReplacesOrAppends) {
    Make({"d/"});
    EXPECT_TRUE(FileLibrary::writeFile("abc", QP("w")));
    EXPECT_TRUE(FileLibrary::writeFile(Q(std::string("d\0e", 3)), QP("w"), true));
    EXPECT_EQ(std::string("abcd\0e", 6), Get(P("w")));
    EXPECT_TRUE(FileLibrary::writeFile("x", QP("w")));
    EXPECT_TRUE(FileLibrary::writeFile("", QP("w"), true));
    EXPECT_EQ("x", Get(P("w")));
    EXPECT_TRUE(FileLibrary::writeFile("", QP("w")));
    EXPECT_TRUE(FileLibrary::writeFile("", QP("new"), true));
    CurrentFolder cwd(root);
    for (const char* path : {"", "none/f", "d"})
        EXPECT_FALSE(FileLibrary::writeFile("abc", path)) << path;
    EXPECT_EQ((Tree{{"d", "/"}, {"new", ""}, {"w", ""}}), Snapshot(root));
}

TEST_F(FileLibraryWriteFile, NeverWritesThroughALinkNorWaitsOnAFifo) {
    MakeProtected();
    Make({"toFile->" + P("protected.txt"), "dangling->" + P("protected/new"), "pipe|"});
    alarm(30);
    for (const bool append : {false, true})
        for (const char* name : {"toFile", "dangling", "pipe"})
            EXPECT_FALSE(FileLibrary::writeFile("owned", QP(name), append)) << name << append;
    alarm(0);
    EXPECT_TRUE(ProtectedUntouched());
}

TEST_F(FileLibraryCreateDirectory, RecursiveOrNot) {
    Make({"f"});
    EXPECT_TRUE(FileLibrary::CreateDirectory(QP("a/b/c")));
    EXPECT_TRUE(FileLibrary::CreateDirectory(QP("a/b/c")));
    EXPECT_FALSE(FileLibrary::CreateDirectory(QP("a/b/c"), false));
    EXPECT_FALSE(FileLibrary::CreateDirectory(QP("x/y"), false));
    EXPECT_TRUE(FileLibrary::CreateDirectory(QP("a/n"), false));
    EXPECT_FALSE(FileLibrary::CreateDirectory(QP("f")));
    CurrentFolder cwd(root);
    EXPECT_FALSE(FileLibrary::CreateDirectory("", true) || FileLibrary::CreateDirectory("", false));
    EXPECT_EQ((Tree{{"a", "/"}, {"a/b", "/"}, {"a/b/c", "/"}, {"a/n", "/"}, {"f", "f"}}),
              Snapshot(root));
}

TEST_F(FileLibraryCopyFile, CopiesRegularFilesOnly) {
    Make({"s", "longer", "d/", "link->s", "dangling->gone"});
    EXPECT_TRUE(FileLibrary::CopyFile(QP("s"), QP("longer")));
    EXPECT_TRUE(FileLibrary::CopyFile(QP("link"), QP("viaLink")));
    EXPECT_EQ("s", Get(P("longer")));
    EXPECT_EQ("s", Get(P("viaLink")));
    for (const char* source : {"d", "missing", "dangling"})
        EXPECT_FALSE(FileLibrary::CopyFile(QP(source), QP("out"))) << source;
    EXPECT_FALSE(fs::exists(fs::symlink_status(P("out"))));
}

TEST_F(FileLibraryCopyFolder, FillsTheDestinationKeepingWhatItHeld) {
    // a hidden file, which a copy by glob would miss
    Make({"src/top", "src/sub/inner", "src/.hidden", "old/extra", "old/sub/inner", "old/sub/keep"});
    Age("src");
    Age("old");
    Tree copy = Snapshot(P("src"));
    EXPECT_TRUE(FileLibrary::CopyFolder(QP("src"), QP("p/q/new")));
    EXPECT_EQ(copy, Snapshot(P("p/q/new")));
    EXPECT_TRUE(Fresh("p/q/new"));
    EXPECT_TRUE(FileLibrary::CopyFolder(QP("src"), QP("old"), true));
    copy.insert({{"extra", "old/extra"}, {"sub/keep", "old/sub/keep"}});
    EXPECT_EQ(copy, Snapshot(P("old")));
    EXPECT_TRUE(Fresh("old"));
}

TEST_F(FileLibraryCopyFolder, ReplacesALinkedDestinationByARealFolder) {
    Make({"src/top", "src/sub/inner", "elsewhere/mine", "dst->" + P("elsewhere")});
    EXPECT_TRUE(FileLibrary::CopyFolder(QP("src"), QP("dst")));
    EXPECT_FALSE(fs::is_symlink(P("dst")));
    EXPECT_EQ(Snapshot(P("src")), Snapshot(P("dst")));
    EXPECT_EQ((Tree{{"mine", "elsewhere/mine"}}), Snapshot(P("elsewhere")));
}

TEST_F(FileLibraryCopyFolder, ALinkDestinationIsRemovedFirstWhateverItLeadsTo) {
    MakeProtected();
    Make({"src/top", "src/sub/inner", "toFolder->" + P("protected"),
          "toFile->" + P("protected.txt"), "dangling->" + P("protected/new")});
    for (const std::string destination : {"toFolder/", "toFolder//", "toFile", "dangling"}) {
        SCOPED_TRACE(destination);
        EXPECT_TRUE(FileLibrary::CopyFolder(QP("src"), QP(destination)));
        const std::string folder = destination.substr(0, destination.find('/'));
        EXPECT_EQ(Snapshot(P("src")), Snapshot(P(folder)));
        EXPECT_TRUE(ProtectedUntouched());
    }
}

TEST_F(FileLibraryCopyFolder, ReplacesLinksInTheDestinationNeverWritesThroughThem) {
    MakeProtected();
    Make({"src/top", "src/sub/inner", "src/link->top", "dst/top->" + P("protected.txt"),
          "dst/sub->" + P("protected"), "dst/link->" + P("protected/keep")});
    EXPECT_TRUE(FileLibrary::CopyFolder(QP("src"), QP("dst")));
    EXPECT_EQ(Snapshot(P("src")), Snapshot(P("dst")));
    EXPECT_TRUE(ProtectedUntouched());
}

TEST_F(FileLibraryCopyFolder, NeedsAFolderAsSource) {
    Make({"file", "dst/keep"});
    Age("dst");
    EXPECT_FALSE(FileLibrary::CopyFolder(QP("file"), QP("dst")));
    EXPECT_FALSE(FileLibrary::CopyFolder(QP("missing"), QP("new")));
    EXPECT_FALSE(Fresh("dst"));
    EXPECT_EQ((Tree{{"dst", "/"}, {"dst/keep", "dst/keep"}, {"file", "file"}}), Snapshot(root));
}

TEST_F(FileLibraryRemoveFolder, RemovesFoldersAndFindsNothingToDoElsewhere) {
    Make({"d/sub/f", "t/f", "file", "x/", "l->t"});
    EXPECT_TRUE(FileLibrary::RemoveFolder(QP("d")));
    EXPECT_TRUE(FileLibrary::RemoveFolder(QP("l"))); // the link, not what it leads to
    EXPECT_TRUE(FileLibrary::RemoveFolder(QP("missing")));
    EXPECT_TRUE(FileLibrary::RemoveFolder(QP("file")));
    EXPECT_EQ((Tree{{"file", "file"}, {"t", "/"}, {"t/f", "t/f"}, {"x", "/"}}), Snapshot(root));
}

TEST_F(FileLibraryRemoveFolder, APathEndingInALinkRemovesTheLinkOnly) {
    MakeProtected();
    const struct {
        const char *path, *link, *target;
    } cases[] = {{"plugins", "plugins", "/protected"},
                 {"plugins/", "plugins", "/protected"},
                 {"plugins//", "plugins", "/protected"},
                 {"in/plugins/", "in/plugins", "/protected"},
                 {"in/rel/", "in/rel", "../protected"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Make({std::string(c.link) + "->" + (c.target[0] == '/' ? root : "") + c.target});
        EXPECT_TRUE(FileLibrary::RemoveFolder(QP(c.path)));
        EXPECT_FALSE(fs::exists(fs::symlink_status(P(c.link))));
        EXPECT_TRUE(ProtectedUntouched());
    }
}

TEST_F(FileLibraryRemoveFolder, RefusesParentComponents) {
    // the kernel resolves ".." after the link, the text before it
    Make({"x/keep", "x/link->../y/deep/dir", "y/deep/dir/f", "P/keep/f", "e/f", "x2/"});
    const Tree before = Snapshot(root);
    for (const char* path :
         {"x/link/../", "x/link/..", "x/link/../../deep", "P/keep/./../", "x2/../e"})
        EXPECT_FALSE(FileLibrary::RemoveFolder(QP(path))) << path;
    EXPECT_EQ(before, Snapshot(root));
}

TEST_F(FileLibraryRemoveFolder, RefusesWhatItCannotCheck) {
    // a chain of folders deeper than PATH_MAX, made one step at a time
    const std::string name(200, 'd');
    Make({"deep/"});
    std::vector<int> chain = {open(P("deep").c_str(), O_RDONLY | O_DIRECTORY)};
    std::string path = P("deep");
    for (int level = 0; level < PATH_MAX / 200 + 2; ++level) {
        mkdirat(chain.back(), name.c_str(), 0700);
        chain.push_back(openat(chain.back(), name.c_str(), O_RDONLY | O_DIRECTORY));
        path += "/" + name;
    }
    ASSERT_NE(-1, chain.back());
    EXPECT_FALSE(FileLibrary::RemoveFolder(Q(path))); // too long to be looked at
    {
        // "up" leads to a folder whose real path is too long to be worked out
        ASSERT_EQ(0, symlinkat("../../..", chain.back(), "up"));
        CurrentFolder cwd(root);
        ASSERT_EQ(0, fchdir(chain.back()));
        EXPECT_FALSE(FileLibrary::RemoveFolder(Q("up/" + name))); // holds the current folder
    }
    for (const int folder : chain) {
        struct stat status;
        EXPECT_TRUE(fstat(folder, &status) == 0 && status.st_nlink > 0);
        close(folder);
    }
    ProcessLibrary::Run({"/bin/rm", "-rf", "--", P("deep")});
}

TEST_F(FileLibraryRemoveFolder, RefusesTheRootTheCurrentFolderAndItsAncestors) {
    // clang-format off
    const std::vector<std::string> refused = {
        "/", ".", "//", "/.", "./", "/./", "/tmp/../", "/tmp/..", "..", "../", "a/..", "a/../",
        "a/.", "../work", "*", root, root + "/", P("work"), P("work/"), P("work/a/..")};
    // clang-format on
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        Make({"work/a/", "work/*/", "work/keep"});
        {
            CurrentFolder cwd(P("work"));
            EXPECT_FALSE(FileLibrary::RemoveFolder(Q(path)));
        }
        EXPECT_TRUE(fs::exists(P("work/keep")) && fs::exists(P("work/a")));
    }
}

TEST_F(FileLibraryCopyFile, ReplacesTheDestinationNeverWritesThroughIt) {
    MakeProtected();
    Make({"s", "d/", "toFile->" + P("protected.txt"), "toFolder->" + P("protected"),
          "dangling->" + P("protected/new")});
    // a folder is refused, not copied into
    for (const char* destination : {"d", "d/", "toFolder/", "missing/"})
        EXPECT_FALSE(FileLibrary::CopyFile(QP("s"), QP(destination))) << destination;
    for (const char* destination : {"toFile", "toFolder", "dangling"})
        EXPECT_TRUE(FileLibrary::CopyFile(QP("s"), QP(destination))) << destination;
    EXPECT_TRUE(ProtectedUntouched());
    fs::remove_all(P("protected"));
    fs::remove(P("protected.txt"));
    const Tree expected = {
        {"d", "/"}, {"dangling", "s"}, {"s", "s"}, {"toFile", "s"}, {"toFolder", "s"}};
    EXPECT_EQ(expected, Snapshot(root));
}

TEST_F(FileLibraryRemoveFile, RemovesOneFileOrLinkOnly) {
    Make({"f", "g", "d/", "l->f"});
    EXPECT_TRUE(FileLibrary::RemoveFile(QP("l")));
    EXPECT_TRUE(FileLibrary::RemoveFile(QP("g")));
    EXPECT_TRUE(FileLibrary::RemoveFile(QP("missing")));
    EXPECT_FALSE(FileLibrary::RemoveFile(QP("d")));
    EXPECT_FALSE(FileLibrary::RemoveFile(""));
    EXPECT_EQ((Tree{{"d", "/"}, {"f", "f"}}), Snapshot(root));
}

TEST_F(FileLibraryRemoveEmptyDirectory, RemovesOnlyEmptyFolders) {
    Make({"empty/", "full/f", "file"});
    EXPECT_TRUE(FileLibrary::RemoveEmptyDirectory(QP("empty")));
    EXPECT_FALSE(FileLibrary::RemoveEmptyDirectory(QP("full")));
    EXPECT_TRUE(FileLibrary::RemoveEmptyDirectory(QP("missing")));
    EXPECT_TRUE(FileLibrary::RemoveEmptyDirectory(QP("file")));
    EXPECT_EQ((Tree{{"file", "file"}, {"full", "/"}, {"full/f", "full/f"}}), Snapshot(root));
}

TEST_F(FileLibraryCreateShortCut, LinksToAnExistingTargetAsWritten) {
    Make({"f", "d/", "old", "dangling->gone"});
    EXPECT_TRUE(FileLibrary::CreateShortCut(QP("d"), QP("ld")));
    EXPECT_TRUE(FileLibrary::CreateShortCut(QP("f"), QP("old")));
    for (const auto& [target, link] : {std::pair<QeString, QeString>{QP("missing"), QP("l")},
                                       {QP("dangling"), QP("l")},
                                       {QP("f"), ""},
                                       {"", QP("l")}})
        EXPECT_FALSE(FileLibrary::CreateShortCut(target, link)) << Text(target) << Text(link);
    CurrentFolder cwd(root);
    EXPECT_TRUE(FileLibrary::CreateShortCut("f", "rel"));
    const Tree expected = {{"d", "/"},     {"dangling", "->gone"}, {"f", "f"},
                           {"rel", "->f"}, {"ld", "->" + P("d")},  {"old", "->" + P("f")}};
    EXPECT_EQ(expected, Snapshot(root));
}

TEST_F(FileLibraryCreateShortCut, TheNamedPathItselfBecomesTheLink) {
    MakeProtected();
    Make({"f", "d/", "toFolder->" + P("protected"), "toFile->" + P("protected.txt"),
          "dangling->" + P("protected/new")});
    // a real folder, or a path ending in a separator, is refused
    for (const char* link : {"d", "d/", "toFolder/", "toFolder//", "missing/"})
        EXPECT_FALSE(FileLibrary::CreateShortCut(QP("f"), QP(link))) << link;
    for (const char* link : {"toFolder", "toFile", "dangling"})
        EXPECT_TRUE(FileLibrary::CreateShortCut(QP("f"), QP(link))) << link;
    EXPECT_TRUE(ProtectedUntouched());
    fs::remove_all(P("protected"));
    fs::remove(P("protected.txt"));
    const std::string toF = "->" + P("f");
    const Tree expected = {
        {"d", "/"}, {"dangling", toF}, {"f", "f"}, {"toFile", toF}, {"toFolder", toF}};
    EXPECT_EQ(expected, Snapshot(root));
}

TEST_F(FileLibraryHostilePaths, EachPathReachesItsToolUnchanged) {
    const std::vector<std::string> names = {
        "q\"uote", "$(touch x)", "`touch x`", " two  spaces ",    "new\nline",
        "-rf",     "-",          "--",        "back\\slash$HOME", "it's;touch x"};
    Make({"work/"});
    CurrentFolder cwd(P("work"));
    Tree made;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(FileLibrary::writeFile(Q(name), Q(name)));
        EXPECT_TRUE(FileLibrary::CopyFile(Q(name), Q(name + ".copy")));
        EXPECT_TRUE(FileLibrary::CreateShortCut(Q(name), Q(name + ".link")));
        EXPECT_TRUE(FileLibrary::CreateDirectory(Q(name + ".d")));
        EXPECT_TRUE(FileLibrary::CreateDirectory(Q(name + ".e"), false));
        EXPECT_TRUE(FileLibrary::CopyFile(Q(name), Q(name + ".d/" + name)));
        EXPECT_TRUE(FileLibrary::CopyFolder(Q(name + ".d"), Q(name + ".c")));
        // clang-format off
        made.insert({{name, name}, {name + ".copy", name}, {name + ".link", "->" + name},
                     {name + ".d", "/"}, {name + ".d/" + name, name}, {name + ".e", "/"},
                     {name + ".c", "/"}, {name + ".c/" + name, name}});
        // clang-format on
    }
    EXPECT_EQ(made, Snapshot(P("work")));
    for (const std::string& name : names)
        EXPECT_TRUE(FileLibrary::RemoveFile(Q(name + ".copy")) &&
                    FileLibrary::RemoveFile(Q(name + ".link")) &&
                    FileLibrary::RemoveEmptyDirectory(Q(name + ".e")) &&
                    FileLibrary::RemoveFolder(Q(name + ".d")) &&
                    FileLibrary::RemoveFolder(Q(name + ".c")) && fs::exists(name) &&
                    FileLibrary::RemoveFile(Q(name)))
            << name;
    EXPECT_EQ((Tree{{"work", "/"}}), Snapshot(root));
}

TEST_F(FileLibraryHostilePaths, APathHoldingANulByteIsRefused) {
    Make({"f", "d/", "e/"});
    // cut at the NUL, each of these names an existing entry or a plain new one
    const auto nul = [&](const std::string& name) { return Q(P(name) + std::string("\0x", 2)); };
    EXPECT_FALSE(FileLibrary::CreateDirectory(nul("new"), true));
    EXPECT_FALSE(FileLibrary::CreateDirectory(nul("new"), false));
    EXPECT_FALSE(FileLibrary::CopyFile(nul("f"), QP("copy")));
    EXPECT_FALSE(FileLibrary::CopyFile(QP("f"), nul("copy")));
    EXPECT_FALSE(FileLibrary::CopyFolder(nul("d"), QP("dcopy")));
    EXPECT_FALSE(FileLibrary::CopyFolder(QP("d"), nul("dcopy")));
    EXPECT_FALSE(FileLibrary::CreateShortCut(nul("f"), QP("link")));
    EXPECT_FALSE(FileLibrary::CreateShortCut(QP("f"), nul("link")));
    EXPECT_FALSE(FileLibrary::RemoveFile(nul("f")));
    EXPECT_FALSE(FileLibrary::RemoveFolder(nul("d")));
    EXPECT_FALSE(FileLibrary::RemoveEmptyDirectory(nul("e")));
    EXPECT_FALSE(FileLibrary::RemoveFolder(nul("missing")));
    EXPECT_FALSE(FileLibrary::RemoveEmptyDirectory(nul("missing")));
    EXPECT_FALSE(FileLibrary::IsFileExists(nul("f")));
    EXPECT_FALSE(FileLibrary::IsDirectoryExists(nul("d")));
    EXPECT_EQ("", Text(FileLibrary::readFile(nul("f"))));
    EXPECT_EQ(nullptr, FileLibrary::OpenRegularFile(nul("f")));
    EXPECT_FALSE(FileLibrary::writeFile("changed", nul("f")));
    EXPECT_FALSE(FileLibrary::writeFile("new", nul("new"), true));
    EXPECT_EQ((Tree{{"d", "/"}, {"e", "/"}, {"f", "f"}}), Snapshot(root));
}
