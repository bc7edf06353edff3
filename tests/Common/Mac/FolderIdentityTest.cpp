#include "FolderIdentity.h"

#include "Descriptor.h"
#include "ScratchMount.h"
#include "ScratchTree.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FolderIdentityTest : public scratch::ScratchTree {
protected:
    FolderIdentityTest() { Make({"a/b/", "c/", "mnt/"}); }
    Descriptor Open(const std::string& name) const {
        return Descriptor(open(P(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    static FolderIdentity Read(const Descriptor& folder) {
        FolderIdentity identity;
        EXPECT_TRUE(FolderIdentity::Of(folder.Get(), identity)) << std::strerror(errno);
        return identity;
    }
};

TEST_F(FolderIdentityTest, SameFolderHowEverItIsOpened) {
    struct Case {
        const char* what;
        std::string first, second;
        bool same;
    };
    const Case cases[] = {{"opened twice", "a", "a", true},
                          {"through its child's ..", "a", "a/b/..", true},
                          {"its child", "a", "a/b", false},
                          {"a sibling", "a", "c", false}};
    for (const Case& c : cases)
        EXPECT_EQ(Read(Open(c.first)) == Read(Open(c.second)), c.same) << c.what;
}

TEST_F(FolderIdentityTest, ModeOwnerAndGroupAreReadWithIt) {
    for (const mode_t mode : {0700, 0775, 0757, 01777, 02755}) {
        ASSERT_EQ(chmod(P("c").c_str(), mode), 0);
        const FolderIdentity identity = Read(Open("c"));
        EXPECT_TRUE(S_ISDIR(identity.status.st_mode)) << std::oct << mode;
        EXPECT_EQ(identity.status.st_mode & 07777, mode) << std::oct << mode;
    }
    const FolderIdentity own = Read(Open("a"));
    EXPECT_EQ(own.status.st_uid, geteuid());
    EXPECT_EQ(own.status.st_gid, getegid());
    if (geteuid() == 0) {
        ASSERT_EQ(chown(P("c").c_str(), 65534, 65533), 0);
        const FolderIdentity given = Read(Open("c"));
        EXPECT_EQ(given.status.st_uid, 65534u);
        EXPECT_EQ(given.status.st_gid, 65533u);
    }
}

TEST_F(FolderIdentityTest, NothingOpenHasNone) {
    FolderIdentity identity;
    EXPECT_FALSE(FolderIdentity::Of(-1, identity));
    EXPECT_EQ(errno, EBADF);
}

TEST_F(FolderIdentityTest, AnotherFileSystemHasAnotherDevice) {
    const ScratchMount mounted(ScratchMount::NewFileSystem(), P("mnt"));
    if (!mounted.IsMounted())
        GTEST_SKIP() << "a file system cannot be mounted here";
    EXPECT_NE(Read(Open("mnt")).device, Read(Open("a")).device);
}

// POSIX names no mount, so the portable build tells mounts apart by their
// file system alone.
TEST_F(FolderIdentityTest, FolderMountedAgainHasAnotherMount) {
#ifdef QE_PORTABLE
    GTEST_SKIP() << "POSIX alone does not tell a folder mounted again from the folder";
#endif
    const ScratchMount mounted(ScratchMount::BindOf(P("a")), P("mnt"));
    if (!mounted.IsMounted())
        GTEST_SKIP() << "a folder cannot be mounted again here";
    const FolderIdentity again = Read(Open("mnt")), original = Read(Open("a"));
    EXPECT_EQ(again.device, original.device);
    EXPECT_EQ(again.inode, original.inode);
    EXPECT_NE(again.mount, original.mount);
    EXPECT_FALSE(again == original);
    EXPECT_EQ(Read(Open("mnt/b")).mount, again.mount);
}

} // namespace
