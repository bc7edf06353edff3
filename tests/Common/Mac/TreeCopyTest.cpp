#include "TreeCopy.h"

#include "ScratchTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using scratch::Get;
using scratch::Snapshot;
using scratch::Tree;

// The mode and modification time of `folder` ("") and of every entry under it.
std::map<std::string, std::pair<mode_t, long>> Attributes(const std::string& folder) {
    std::map<std::string, std::pair<mode_t, long>> attributes;
    const auto add = [&](const std::string& path) {
        struct stat status;
        lstat(path.c_str(), &status);
        attributes[path.substr(folder.size())] = {status.st_mode & 07777, status.st_mtime};
    };
    add(folder);
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (!entry.is_symlink())
            add(entry.path().string());
    return attributes;
}

// Every test works inside a fresh folder of its own, open as `folder`.
class Scratch : public scratch::ScratchTree {
protected:
    ~Scratch() override { close(folder); }
    static int Open(const std::string& path) { return open(path.c_str(), O_RDONLY | O_DIRECTORY); }

    int folder = Open(root);
};

using TreeCopyAttributes = Scratch;
using TreeCopyLinks = Scratch;
using TreeCopySpecialFiles = Scratch;
using TreeCopyDestination = Scratch;
using TreeCopyFolderAt = Scratch;
using TreeCopyFileAt = Scratch;

struct Umask {
    explicit Umask(mode_t mask) : previous(umask(mask)) {}
    ~Umask() { umask(previous); }
    mode_t previous;
};

} // namespace

TEST_F(TreeCopyAttributes, ModesKeptWhateverTheUmask) {
    Make({"src/open/", "src/private/", "src/shared", "src/tool", "src/secret", "src/setid",
          "src/open/all"});
    const std::pair<const char*, mode_t> modes[] = {
        {"src", 0751},      {"src/open", 0777},   {"src/private", 0700}, {"src/shared", 0664},
        {"src/tool", 0755}, {"src/secret", 0600}, {"src/setid", 06755},  {"src/open/all", 0777}};
    for (const auto& [name, mode] : modes)
        chmod(P(name).c_str(), mode);
    for (const mode_t mask : {mode_t(077), mode_t(0)}) {
        SCOPED_TRACE(mask);
        Umask umask(mask);
        const std::string name = "copy" + std::to_string(mask);
        EXPECT_TRUE(TreeCopy::CopyFolderAt(P("src"), folder, name));
        EXPECT_EQ(Attributes(P("src")), Attributes(P(name)));
    }
}

TEST_F(TreeCopyAttributes, ModificationTimesKept) {
    Make({"src/sub/inner", "src/file", "dst/"});
    for (const char* name : {"src/sub/inner", "src/file", "src/sub", "src"})
        fs::last_write_time(P(name), fs::last_write_time(P(name)) - std::chrono::hours(9000));
    EXPECT_TRUE(TreeCopy::CopyFolderAt(P("src"), folder, "copy"));
    EXPECT_EQ(Attributes(P("src")), Attributes(P("copy")));
    const int destination = Open(P("dst"));
    EXPECT_TRUE(TreeCopy::CopyContents(P("src"), destination));
    close(destination);
    auto expected = Attributes(P("src"));
    expected.erase(""); // the destination folder keeps its own
    auto copied = Attributes(P("dst"));
    copied.erase("");
    EXPECT_EQ(expected, copied);
}

TEST_F(TreeCopyLinks, CopiedAsLinksWithTheirText) {
    MakeProtected();
    Make({"src/sub/file", "src/toFile->sub/file", "src/toFolder->sub", "src/dangling->nowhere",
          "src/sub/outside->" + P("protected"), "src/sub/loop->loop"});
    EXPECT_TRUE(TreeCopy::CopyFolderAt(P("src"), folder, "copy"));
    EXPECT_EQ(Snapshot(P("src")), Snapshot(P("copy")));
    EXPECT_TRUE(ProtectedUntouched());
}

TEST_F(TreeCopySpecialFiles, AFifoFailsTheCopyWithoutBlocking) {
    Make({"src/a", "src/pipe|", "src/sub/b", "src/sub/pipe|"});
    alarm(30); // a copy blocked on the FIFO ends the run instead of hanging it
    EXPECT_FALSE(TreeCopy::CopyFolderAt(P("src"), folder, "copy"));
    alarm(0);
    EXPECT_EQ((Tree{{"a", "src/a"}, {"sub", "/"}, {"sub/b", "src/sub/b"}}), Snapshot(P("copy")));
}

TEST_F(TreeCopyDestination, LinksAndFilesInTheWayAreReplacedNeverFollowed) {
    MakeProtected();
    Make({"src/sub/inner", "src/file", "src/dangling", "src/link->file", "src/plain/x",
          "dst/sub->" + P("protected"), "dst/file->" + P("protected.txt"),
          "dst/dangling->" + P("protected/new"), "dst/link->" + P("protected.txt"), "dst/plain",
          "dst/mine"});
    const int destination = Open(P("dst"));
    EXPECT_TRUE(TreeCopy::CopyContents(P("src"), destination));
    close(destination);
    Tree expected = Snapshot(P("src"));
    expected["mine"] = "dst/mine";
    EXPECT_EQ(expected, Snapshot(P("dst")));
    EXPECT_TRUE(ProtectedUntouched());
}

TEST_F(TreeCopyDestination, ARealFolderWhereTheSourceHasAFileFailsThatEntryOnly) {
    Make({"src/file", "src/link->file", "src/other", "dst/file/keep", "dst/link/keep"});
    const int destination = Open(P("dst"));
    EXPECT_FALSE(TreeCopy::CopyContents(P("src"), destination));
    close(destination);
    const Tree expected = {{"file", "/"},
                           {"file/keep", "dst/file/keep"},
                           {"link", "/"},
                           {"link/keep", "dst/link/keep"},
                           {"other", "src/other"}};
    EXPECT_EQ(expected, Snapshot(P("dst")));
}

TEST_F(TreeCopyDestination, NeverCopiedIntoItself) {
    Make({"src/a", "src/inside/"});
    alarm(30); // a copy into itself would otherwise go on until it failed
    const int inside = Open(P("src/inside"));
    EXPECT_FALSE(TreeCopy::CopyContents(P("src"), inside));
    close(inside);
    const int itself = Open(P("src"));
    EXPECT_FALSE(TreeCopy::CopyContents(P("src"), itself));
    close(itself);
    alarm(0);
    EXPECT_EQ((Tree{{"a", "src/a"}, {"inside", "/"}, {"inside/a", "src/a"}}), Snapshot(P("src")));
}

TEST_F(TreeCopyFolderAt, FailsWhenTheNameExists) {
    MakeProtected();
    Make({"src/a", "folder/", "file", "link->" + P("protected")});
    for (const char* name : {"folder", "file", "link", "", ".", "..", "x/y"})
        EXPECT_FALSE(TreeCopy::CopyFolderAt(P("src"), folder, name)) << name;
    EXPECT_TRUE(ProtectedUntouched());
    EXPECT_EQ(Tree{}, Snapshot(P("folder")));
    EXPECT_EQ("file", Get(P("file")));
}

TEST_F(TreeCopyFileAt, ReplacesAFileOrLinkNeverAFolder) {
    MakeProtected();
    Make({"s", "toS->s", "d/", "old", "toFile->" + P("protected.txt"),
          "dangling->" + P("protected/new"), "pipe|"});
    for (const char* name : {"old", "toFile", "dangling", "new"})
        EXPECT_TRUE(TreeCopy::CopyFileAt(P("toS"), folder, name)) << name;
    EXPECT_FALSE(TreeCopy::CopyFileAt(P("s"), folder, "d"));
    EXPECT_FALSE(TreeCopy::CopyFileAt(P("d"), folder, "fromFolder"));
    alarm(30);
    EXPECT_FALSE(TreeCopy::CopyFileAt(P("pipe"), folder, "fromPipe"));
    alarm(0);
    EXPECT_TRUE(ProtectedUntouched());
    for (const char* name : {"old", "toFile", "dangling", "new"})
        EXPECT_EQ("s", Get(P(name))) << name;
    EXPECT_EQ(Tree{}, Snapshot(P("d")));
    EXPECT_FALSE(fs::exists(P("fromFolder")) || fs::exists(P("fromPipe")));
}

TEST_F(TreeCopyFolderAt, TheCopyBelongsToTheCopierWhoeverOwnsTheSource) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs the root user, to give the source to another user";
    Make({"src/sub/tool"});
    for (const char* entry : {"src", "src/sub", "src/sub/tool"}) {
        ASSERT_EQ(lchown(P(entry).c_str(), 65534, 65534), 0) << entry;
        chmod(P(entry).c_str(), std::string(entry) == "src/sub/tool" ? 04755 : 0755);
    }
    ASSERT_TRUE(TreeCopy::CopyFolderAt(P("src"), folder, "copy"));
    for (const char* entry : {"copy", "copy/sub", "copy/sub/tool"}) {
        struct stat status {};
        lstat(P(entry).c_str(), &status);
        EXPECT_EQ(status.st_uid, 0u) << entry;
        EXPECT_EQ(status.st_mode & 07777, 0755u) << entry;
    }
}

TEST_F(TreeCopyFolderAt, GoesAtMostItsDepthLimitDeep) {
    for (const unsigned depth : {TreeCopy::kMaxDepth, TreeCopy::kMaxDepth + 1}) {
        std::string chain = "src" + std::to_string(depth);
        for (unsigned level = 0; level < depth; ++level)
            chain += "/d";
        Make({chain + "/f"});
        const std::string copy = "copy" + std::to_string(depth);
        EXPECT_EQ(
            TreeCopy::CopyFolderAt(P("src" + std::to_string(depth)), folder, copy).Succeeded(),
            depth == TreeCopy::kMaxDepth)
            << depth;
        const std::string deepest = copy + chain.substr(chain.find('/'), 2 * TreeCopy::kMaxDepth);
        EXPECT_TRUE(fs::is_directory(P(deepest))) << depth;
    }
}
