// TrustedPath: opening a target folder from "/" so that nobody untrusted can
// have decided where it leads.
#include "TrustedPath.h"

#include "ScratchTree.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

using Status = TrustedPath::Result::Status;

class TrustedPathTest : public scratch::ScratchTree {
protected:
    TrustedPathTest() { Make({"t/"}); }
    static Status Open(const std::string& path, Descriptor& folder) {
        return TrustedPath::OpenFolder(path, FolderTrust::ForThisProcess(), folder).status;
    }
};

TEST_F(TrustedPathTest, TargetFolderIsOpenedWithoutUntrustedLinks) {
    Make({"t/real/", "open/", "sticky/", "t/file"});
    chmod(P("open").c_str(), 0777);
    chmod(P("sticky").c_str(), 01777);
    symlink(P("t/real").c_str(), P("t/link").c_str());
    // A link another user owns (as root), or this user's own (otherwise).
    if (geteuid() == 0)
        lchown(P("t/link").c_str(), 65534, 65534);
    const std::pair<std::string, Status> cases[] = {
        {P("t/real"), Status::Opened},       {P("t/real/"), Status::Opened},
        {P("t/none"), Status::Absent},       {"t/real", Status::Refused},
        {P("t/../t/real"), Status::Refused}, {P("t/./real"), Status::Refused},
        {P("t/link"), Status::Refused},      {P("t/link/x"), Status::Refused},
        {P("t/file"), Status::Refused},      {P("open"), Status::Refused},
        {P("sticky"), Status::Opened},
    };
    for (const auto& [path, status] : cases) {
        Descriptor folder;
        EXPECT_EQ(Open(path, folder), status) << path;
        EXPECT_EQ(folder.IsOpen(), status == Status::Opened) << path;
    }
}

// The scratch folder sits where only root may write all the way from "/", as
// root's own links must; /tmp is open to everyone.
class RootOnlyScratch : public TrustedPathTest {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "only root's links are followed";
        std::string base = "/run/qe-scratch-XXXXXX";
        if (mkdtemp(base.data()) == nullptr)
            GTEST_SKIP() << "no folder only root may write to";
        std::filesystem::remove_all(root);
        root = base;
        Make({"t/", "real/x"});
    }
};

TEST_F(RootOnlyScratch, RootsOwnLinkIsFollowed) {
    symlink("../real", P("t/link").c_str());
    Descriptor folder;
    ASSERT_EQ(Open(P("t/link"), folder), Status::Opened);
    EXPECT_EQ(faccessat(folder.Get(), "x", F_OK, 0), 0);
}

// Root's link is refused where another user may have moved it, or a folder of
// root's holding it: into a folder open to others, or below one.
TEST_F(RootOnlyScratch, RootsLinkAnotherUserCouldPlaceIsRefused) {
    const struct {
        const char* link;
        const char* open;
        mode_t mode;
        uid_t owner;
    } cases[] = {
        {"sticky/link", "sticky", 01777, 0},
        {"group/roots/link", "group", 0775, 0},
        {"users/roots/link", "users", 0755, 65534},
    };
    for (const auto& c : cases) {
        Make({std::filesystem::path(c.link).parent_path().string() + "/"});
        ASSERT_EQ(chmod(P(c.open).c_str(), c.mode), 0);
        ASSERT_EQ(chown(P(c.open).c_str(), c.owner, 0), 0);
        symlink(P("real").c_str(), P(c.link).c_str());
        Descriptor folder;
        EXPECT_EQ(Open(P(c.link), folder), Status::Refused) << c.link;
    }
}

} // namespace
