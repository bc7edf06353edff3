#include "TreeRemoval.h"

#include "FolderChain.h"
#include "ScratchMount.h"
#include "ScratchTree.h"
#include "ToolRun.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using scratch::Snapshot;
using scratch::Tree;
using Status = TreeRemoval::Status;

struct RemovalCase {
    const char* what;
    std::initializer_list<std::string> entries;
    std::string name;
    Status status;
    Tree left;
};

class TreeRemovalTest : public scratch::ScratchTree {
protected:
    TreeRemovalTest() { Make({"t/"}); }
    ~TreeRemovalTest() override { chmod(P("t").c_str(), 0700); }
    Descriptor Open(const std::string& name) const {
        return Descriptor(open(P(name).c_str(), O_RDONLY | O_DIRECTORY));
    }
    // Runs each case in a fresh target folder "t" beside the protected ones.
    template <class Operation> void Check(const std::vector<RemovalCase>& cases, Operation run) {
        for (const RemovalCase& c : cases) {
            std::filesystem::remove_all(P("t"));
            Make({"t/"});
            Make(c.entries);
            MakeProtected();
            const TreeRemoval::Result result = run(Open("t").Get(), c.name);
            EXPECT_EQ(result.status, c.status) << c.what << ": " << result.Reason();
            EXPECT_EQ(Snapshot(P("t")), c.left) << c.what;
            EXPECT_TRUE(ProtectedUntouched()) << c.what;
        }
    }
    // A chain of `depth` folders named "d" below "t", made without paths.
    void MakeDeep(int depth) const {
        Descriptor folder = Open("t");
        for (int level = 0; level < depth; ++level) {
            ASSERT_EQ(mkdirat(folder.Get(), "d", 0700), 0);
            folder.Reset(openat(folder.Get(), "d", O_RDONLY | O_DIRECTORY));
        }
        close(openat(folder.Get(), "leaf", O_CREAT | O_WRONLY, 0600));
    }
    static int OpenDescriptors() {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator("/dev/fd"),
                                              std::filesystem::directory_iterator()));
    }
};

TEST_F(TreeRemovalTest, ItemIsRemovedWholeAndNeverFollowed) {
    const std::string outside = P("protected");
    Check({{"a file", {"t/a"}, "a", Status::Done, {}},
           {"a link to a folder outside", {"t/a->" + outside}, "a", Status::Done, {}},
           {"a bundle with links inside",
            {"t/a.plugin/Contents/MacOS/bin", "t/a.plugin/Contents/x->" + outside + "/keep",
             "t/a.plugin/Contents/y->" + outside, "t/a.plugin/Contents/fifo|", "t/b"},
            "a.plugin",
            Status::Done,
            {{"b", "t/b"}}},
           {"an absent entry", {"t/b"}, "a", Status::Absent, {{"b", "t/b"}}},
           {"a name that leads out", {}, "..", Status::Failed, {}},
           {"a name with a separator",
            {"t/a/b"},
            "a/b",
            Status::Failed,
            {{"a", "/"}, {"a/b", "t/a/b"}}},
           {"an empty name", {}, "", Status::Failed, {}}},
          [](int folder, const std::string& name) {
              return TreeRemoval::RemoveItemAt(folder, name);
          });
}

// Anyone may have renamed another user's folder into one every user may
// write to: such a folder is not entered, even inside a bundle; where the
// sticky bit holds others to their own entries, another user's is not touched.
TEST_F(TreeRemovalTest, FolderEveryoneMayWriteToIsNotEntered) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    for (const mode_t mode : {0777, 01777}) {
        std::filesystem::remove_all(P("t"));
        Make({"t/a.plugin/shared/victim/file", "t/a.plugin/own"});
        chmod(P("t/a.plugin/shared").c_str(), mode);
        ASSERT_EQ(lchown(P("t/a.plugin/shared/victim").c_str(), 65534, 65534), 0);
        const TreeRemoval::Result result = TreeRemoval::RemoveItemAt(Open("t").Get(), "a.plugin");
        EXPECT_EQ(result.status, Status::Failed) << mode;
        EXPECT_EQ(Snapshot(P("t")),
                  (Tree{{"a.plugin", "/"},
                        {"a.plugin/shared", "/"},
                        {"a.plugin/shared/victim", "/"},
                        {"a.plugin/shared/victim/file", "t/a.plugin/shared/victim/file"}}))
            << mode;
    }
}

TEST_F(TreeRemovalTest, ContainerGoesOnlyWhenEmpty) {
    Check({{"an empty folder", {"t/a/"}, "a", Status::Done, {}},
           {"a folder with a user's file",
            {"t/a/mine"},
            "a",
            Status::Kept,
            {{"a", "/"}, {"a/mine", "t/a/mine"}}},
           {"a link to an empty folder",
            {"t/e/", "t/a->e"},
            "a",
            Status::Kept,
            {{"a", "->e"}, {"e", "/"}}},
           {"a file", {"t/a"}, "a", Status::Kept, {{"a", "t/a"}}},
           {"nothing", {}, "a", Status::Absent, {}}},
          [](int folder, const std::string& name) {
              return TreeRemoval::RemoveEmptyFolderAt(folder, name);
          });
}

TEST_F(TreeRemovalTest, ShortcutGoesOnlyWhenALink) {
    Check({{"a link", {"t/a->" + P("protected.txt")}, "a", Status::Done, {}},
           {"a real file", {"t/a"}, "a", Status::Kept, {{"a", "t/a"}}},
           {"a real folder", {"t/a/"}, "a", Status::Kept, {{"a", "/"}}},
           {"nothing", {}, "a", Status::Absent, {}}},
          [](int folder, const std::string& name) {
              return TreeRemoval::RemoveLinkAt(folder, name);
          });
}

TEST_F(TreeRemovalTest, DeepBundleIsRemovedWithFewDescriptors) {
    MakeDeep(5000);
    rlimit limit;
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlimit tight = {static_cast<rlim_t>(OpenDescriptors() + 24), limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const TreeRemoval::Result result = TreeRemoval::RemoveItemAt(Open("t").Get(), "d");
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_EQ(result.status, Status::Done) << result.Reason();
    EXPECT_TRUE(Snapshot(P("t")).empty());
}

TEST_F(TreeRemovalTest, FolderMovedAwayStopsTheClimb) {
    MakeDeep(40);
    Make({"elsewhere/"});
    FolderChain chain(Open("t"));
    for (int level = 0; level < 40; ++level)
        ASSERT_EQ(chain.Enter("d").status, Status::Done);
    // The third folder, with everything below, now sits in another folder.
    ASSERT_EQ(rename(P("t/d/d/d").c_str(), P("elsewhere/d").c_str()), 0);
    TreeRemoval::Result left = TreeRemoval::Result::Done();
    while (left.status == Status::Done && chain.Depth() > 0)
        left = chain.Leave();
    EXPECT_EQ(left.status, Status::Failed);
    EXPECT_EQ(chain.Depth(), 0u);
}

// Another thread keeps swapping a folder of the bundle for a link to the
// protected folder while the bundle is removed: the link may go, the
// protected folder never loses anything.
TEST_F(TreeRemovalTest, SwappingAFolderForALinkNeverRedirects) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MakeProtected();
    for (int round = 0; round < 300 && std::chrono::steady_clock::now() < deadline; ++round) {
        std::filesystem::remove_all(P("t"));
        for (int i = 0; i < 40; ++i)
            Make({"t/b/c/f" + std::to_string(i), "t/b/c/d/g" + std::to_string(i)});
        std::atomic<bool> done{false};
        std::thread swapper([&] {
            const std::string folder = P("t/b/c"), aside = P("t/aside");
            while (!done) {
                rename(folder.c_str(), aside.c_str());
                symlink(P("protected").c_str(), folder.c_str());
                unlink(folder.c_str());
                rename(aside.c_str(), folder.c_str());
            }
        });
        TreeRemoval::RemoveItemAt(Open("t").Get(), "b");
        done = true;
        swapper.join();
        ASSERT_TRUE(ProtectedUntouched()) << "round " << round;
    }
}

// A folder inside the bundle has a file system mounted on it: the removal
// never enters it, and fails, whether that file system is another one or the
// same one mounted again (here, the protected folder).
TEST_F(TreeRemovalTest, FolderOnAnotherMountIsNotEntered) {
    struct Case {
        const char* what;
        std::vector<std::string> mount;
        // Made in the mounted file system.
        std::initializer_list<std::string> entries;
    };
    MakeProtected();
    const Case cases[] = {
        {"another file system", ScratchMount::NewFileSystem(), {"t/a.plugin/Contents/mounted/f"}},
#ifndef QE_PORTABLE
        // POSIX names no mount: the portable build tells them apart by file system.
        {"the same file system mounted again", ScratchMount::BindOf(P("protected")), {}},
#endif
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(P("t"));
        Make({"t/a.plugin/Contents/bin", "t/a.plugin/Contents/mounted/"});
        const ScratchMount mounted(c.mount, P("t/a.plugin/Contents/mounted"));
        if (!mounted.IsMounted())
            GTEST_SKIP() << "a file system cannot be mounted here";
        Make(c.entries);
        const Tree inside = Snapshot(P("t/a.plugin/Contents/mounted"));
        const TreeRemoval::Result result = TreeRemoval::RemoveItemAt(Open("t").Get(), "a.plugin");
        EXPECT_EQ(result.status, Status::Failed) << c.what;
        EXPECT_EQ(result.Reason(), "Contents/mounted: on another file system") << c.what;
        EXPECT_FALSE(std::filesystem::exists(P("t/a.plugin/Contents/bin"))) << c.what;
        EXPECT_EQ(Snapshot(P("t/a.plugin/Contents/mounted")), inside) << c.what;
        EXPECT_TRUE(ProtectedUntouched()) << c.what;
    }
}

} // namespace
