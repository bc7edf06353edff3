// FolderTrust and TrustedPath: who may change what a folder holds, and the
// opening of a path where only the trusted can have decided where it leads.
#include "FolderTrust.h"
#include "ScratchTree.h"
#include "TrustedPath.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const uid_t kUser = 1; // daemon: its group, 1, is its own and no one else's
const uid_t kOther = 65534;
const gid_t kAdministrators = 27;
const gid_t kStrangers = 4242;

struct stat Folder(uid_t owner, gid_t group, mode_t mode) {
    struct stat status {};
    status.st_mode = S_IFDIR | mode;
    status.st_uid = owner;
    status.st_gid = group;
    return status;
}

TEST(FolderTrust, FolderIsSafeOnlyWhenNoUntrustedUserCanRenameWhatItHolds) {
    const FolderTrust uninstall = FolderTrust::RootAdministratorsAnd(kUser, {kAdministrators});
    const FolderTrust rootAlone = FolderTrust::RootAlone();
    const struct {
        const char* what;
        struct stat folder;
        bool safeToUninstall, safeForRootAlone;
    } cases[] = {
        {"root's, 0755", Folder(0, 0, 0755), true, true},
        {"root's, administrators may write", Folder(0, kAdministrators, 0775), true, false},
        {"root's, another group may write", Folder(0, kStrangers, 0775), false, false},
        {"root's, everyone may write", Folder(0, 0, 0777), false, false},
        {"root's, everyone may write, sticky", Folder(0, 0, 01777), true, false},
        {"the user's, 0755", Folder(kUser, kUser, 0755), true, false},
        {"the user's, its own group may write", Folder(kUser, kUser, 0775), true, false},
        {"the user's, another group may write", Folder(kUser, kStrangers, 0775), false, false},
        {"another user's, 0755", Folder(kOther, kOther, 0755), false, false},
        {"another user's, a group shared with others", Folder(kOther, 65534, 0775), false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(uninstall.WhyUnsafe(c.folder).empty(), c.safeToUninstall) << c.what;
        EXPECT_EQ(rootAlone.WhyUnsafe(c.folder).empty(), c.safeForRootAlone) << c.what;
    }
}

TEST(FolderTrust, InASharedFolderOnlyTrustedOwnersEntriesAreTouched) {
    const FolderTrust trust = FolderTrust::RootAdministratorsAnd(kUser, {});
    const struct {
        struct stat folder;
        uid_t owner;
        bool safe;
    } cases[] = {
        {Folder(0, 0, 01777), 0, true},
        {Folder(0, 0, 01777), kUser, true},
        {Folder(0, 0, 01777), kOther, false},
        {Folder(0, 0, 0755), kOther, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trust.WhyEntryUnsafe(c.folder, c.owner).empty(), c.safe)
            << c.folder.st_mode << " " << c.owner;
}

// The scratch folder is reached through /tmp, which everyone may write to:
// only root's 0755 folders from "/" count as root's alone.
class TrustedPathTest : public scratch::ScratchTree {};

TEST_F(TrustedPathTest, RootsAloneNeedsRootOnlyFoldersAndARegularFile) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to own the files";
    Make({"file"});
    symlink("/bin/sh", P("link").c_str());
    const struct {
        std::string path;
        bool rootsAlone;
    } cases[] = {
        {"/usr/bin/env", true},   {"/usr/bin", false},    {"/usr/bin/", false},
        {"/usr/bin/none", false}, {"usr/bin/env", false}, {"/usr/../usr/bin/env", false},
        {P("file"), false},       {P("link"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrustedPath::IsRootsAlone(c.path), c.rootsAlone) << c.path;
}

TEST_F(TrustedPathTest, RefusalNamesTheFolderAtFault) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give folders to other users";
    Make({"up/target/"});
    ASSERT_EQ(chown(P("up").c_str(), 0, kStrangers), 0);
    ASSERT_EQ(chmod(P("up").c_str(), 0775), 0);
    Descriptor folder;
    const TrustedPath::Result result = TrustedPath::OpenFolder(
        P("up/target"), FolderTrust::RootAdministratorsAnd(kUser, {}), folder);
    EXPECT_EQ(result.status, TrustedPath::Result::Status::Refused);
    EXPECT_EQ(result.reason.rfind(P("up") + ": its group may write", 0), 0u) << result.reason;
    EXPECT_FALSE(folder.IsOpen());
}

} // namespace
