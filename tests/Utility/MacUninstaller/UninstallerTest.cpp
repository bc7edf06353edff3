#include "Uninstaller.h"
#include "RecordingPlatform.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;
using Script = std::function<void(RecordingPlatform&)>;

const std::string kSample = QE_SAMPLES_DIR "/sku.xml";
const std::string kName = "Qe Studio Effects";
const std::string kConfigurationError = "RunAlert(Configuration Error|-|-|Configuration file "
                                        "Uninstall.plist not found in application bundle.)";
const std::string kUnexpectedError =
    "RunAlert(Unexpected Error|-|-|An unxpected error has occured. Restart uninstaller.)";
const std::string kConfirmation = "RunAlert(Uninstall " + kName + "|Cancel|Uninstall|" +
                                  "Do you wish to remove " + kName +
                                  " and all related components?)";
const std::string kCompletion =
    "RunAlert(Uninstall " + kName + "|-|-|Uninstallation completed successfully.)";
const Calls kAuthorized = {"ActivateIgnoringOtherApps", "AuthorizationCreate(0)",
                           "AuthorizationCopyRights(system.privilege.admin|19)",
                           "AuthorizationExecuteWithPrivileges(/b/InstallUtility|0|-uninstall|" +
                               kSample + "|/b/target_path.xml|-v)"};

// A scratch directory, removed with its contents.
struct ScratchDir {
    std::string path = MakeScratchFolder("qe-uninstaller");
    ~ScratchDir() { std::filesystem::remove_all(path); }
    // A sku.xml whose sku element has the given attributes.
    std::string Sku(const std::string& name, const std::string& attributes) {
        std::ofstream(path + "/" + name)
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            << "<product><sku ID=\"QE-1\" " << attributes << "/></product>\n";
        return path + "/" + name;
    }
};

const std::vector<std::string> kPhase1 = {"Uninstall"}, kPhase2 = {"Uninstall", "1"};

// The actions of one run on a complete bundle whose sku.xml is the sample and whose user
// answers "Uninstall", after `script` changed that.
Calls Flow(const std::vector<std::string>& arguments, const Script& script = {}) {
    RecordingPlatform platform;
    platform.answers = {UninstallerPlatform::kAlternateButton};
    platform.files = {{"sku.xml", kSample},
                      {"target_path.xml", "/b/target_path.xml"},
                      {"InstallUtility", "/b/InstallUtility"}};
    if (script)
        script(platform);
    EXPECT_EQ(0, Uninstaller(platform).Run(arguments));
    return platform.Actions();
}

Calls Concat(Calls head, const Calls& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

} // namespace

TEST(UninstallerArguments, PhaseTwoOnlyForAnExactOneAfterTheProgramName) {
    EXPECT_TRUE(Uninstaller::IsPrivilegedPhase({"Uninstall", "1"}));
    EXPECT_TRUE(Uninstaller::IsPrivilegedPhase({"Uninstall", "-psn_0_1", "1", "more"}));
    for (const char* argument : {"01", " 1", "1 ", "", "11", "1\n"})
        EXPECT_FALSE(Uninstaller::IsPrivilegedPhase({"Uninstall", argument})) << argument;
    EXPECT_FALSE(Uninstaller::IsPrivilegedPhase({"1"}));
    EXPECT_FALSE(Uninstaller::IsPrivilegedPhase({}));

    // Run chooses by the same rule, with no arguments at all too.
    EXPECT_EQ(kConfirmation, Flow({"1"}).at(0));
    EXPECT_EQ(kConfirmation, Flow({}).at(0));
    EXPECT_EQ("ActivateIgnoringOtherApps", Flow({"Uninstall", "x", "1"}).at(0));
}

TEST(UninstallerProductName, TheSkuNameOrThisProduct) {
    ScratchDir dir;
    EXPECT_EQ(kName, GetProductName(kSample));
    EXPECT_EQ("Qé Studio ✓", GetProductName(dir.Sku("Prodüct.xml", "name=\"Qé Studio ✓\"")));
    EXPECT_EQ("this product", GetProductName(std::nullopt));
    EXPECT_EQ("this product", GetProductName(dir.path + "/missing.xml"));
    EXPECT_EQ("this product", GetProductName(dir.path));
    EXPECT_EQ("this product", GetProductName(dir.Sku("unnamed.xml", "build=\"1\"")));
    EXPECT_EQ("this product", GetProductName(dir.Sku("empty.xml", "name=\"\"")));
}

TEST(UninstallerConfirm, MissingDataFileShowsOnlyConfigurationError) {
    for (const char* missing : {"sku.xml", "target_path.xml"})
        EXPECT_EQ(Calls{kConfigurationError},
                  Flow(kPhase1, [&](RecordingPlatform& p) { p.files.erase(missing); }))
            << missing;
}

TEST(UninstallerConfirm, AnythingButUninstallEndsTheRun) {
    for (std::deque<int> answers :
         {std::deque<int>{UninstallerPlatform::kDefaultButton}, {2}, {-1}})
        EXPECT_EQ(Calls{kConfirmation},
                  Flow(kPhase1, [&](RecordingPlatform& p) { p.answers = answers; }));
}

TEST(UninstallerConfirm, ShowsTheProductNameLiterally) {
    ScratchDir dir;
    const std::string sku = dir.Sku("sku.xml", "name=\"100% %@ %d %s %%\"");
    EXPECT_EQ("RunAlert(Uninstall 100% %@ %d %s %%|Cancel|Uninstall|Do you wish to remove 100% "
              "%@ %d %s %% and all related components?)",
              Flow(kPhase1, [&](RecordingPlatform& p) { p.files["sku.xml"] = sku; }).at(0));
}

TEST(UninstallerConfirm, CopiesTheBundleIntoAFreshDirectoryAndStartsTheCopy) {
    // Whatever the bundle is called and however the temporary directory ends.
    for (const char* temporary : {"/tmp/qe", "/tmp/qe/"}) {
        auto script = [&](RecordingPlatform& p) {
            p.bundlePath = "/Apps/Qe Remover.app";
            p.temporaryDirectory = temporary;
        };
        EXPECT_EQ((Calls{kConfirmation, "CreateDirectory(/tmp/qe/U-1)",
                         "CopyItem(/Apps/Qe Remover.app|/tmp/qe/U-1/Uninstall.app)",
                         "RecordOriginalBundle(/tmp/qe/U-1/Uninstall.app|/Apps/Qe Remover.app)",
                         "LaunchTask(/tmp/qe/U-1/Uninstall.app/Contents/MacOS/Uninstall|1)"}),
                  Flow(kPhase1, script))
            << temporary;
    }
}

TEST(UninstallerConfirm, EachFailedStepShowsUnexpectedError) {
    const Calls steps = {kConfirmation, "CreateDirectory(/tmp/qe/U-1)",
                         "CopyItem(/Apps/Uninstall.app|/tmp/qe/U-1/Uninstall.app)",
                         "RecordOriginalBundle(/tmp/qe/U-1/Uninstall.app|/Apps/Uninstall.app)",
                         "LaunchTask(/tmp/qe/U-1/Uninstall.app/Contents/MacOS/Uninstall|1)"};
    for (size_t failing = 1; failing < steps.size(); ++failing) {
        auto script = [&](RecordingPlatform& p) {
            p.createDirectoryResult = failing != 1;
            p.copyItemResult = failing != 2;
            p.recordResult = failing != 3;
            p.launchTaskResult = failing != 4;
        };
        EXPECT_EQ(Concat({steps.begin(), steps.begin() + failing + 1}, {kUnexpectedError}),
                  Flow(kPhase1, script))
            << steps[failing];
    }
}

TEST(UninstallerPrivileged, ReadsTheOutputToItsEndThenFreesThenReports) {
    // The output ends with 0, or with a failed read.
    for (long end : {0L, -1L}) {
        auto script = [&](RecordingPlatform& p) {
            p.toolOutput = {"Removing\n", std::string(64, 'x'), "Done.\n"};
            p.readEnd = end;
        };
        EXPECT_EQ(Concat(Concat(kAuthorized, Calls(4, "ReadToolOutput(64)")),
                         {"ToolExitStatus", "AuthorizationFree(8)", kCompletion}),
                  Flow(kPhase2, script))
            << end;
    }
}

TEST(UninstallerPrivileged, AuthorizationFailuresFreeTheRightsAndEndQuietly) {
    EXPECT_EQ(
        (Calls{"ActivateIgnoringOtherApps", "AuthorizationCreate(0)", "AuthorizationFree(8)"}),
        Flow(kPhase2, [](RecordingPlatform& p) { p.createStatus = -1; }));
    for (OSStatus refusal : {errAuthorizationDenied, errAuthorizationCanceled})
        EXPECT_EQ(Concat({kAuthorized.begin(), kAuthorized.end() - 1}, {"AuthorizationFree(8)"}),
                  Flow(kPhase2, [&](RecordingPlatform& p) { p.copyRightsStatus = refusal; }));
    EXPECT_EQ(Concat(kAuthorized, {"AuthorizationFree(8)"}),
              Flow(kPhase2, [](RecordingPlatform& p) {
                  p.executeStatus = errAuthorizationToolExecuteFailure;
              }));
}

TEST(UninstallerPrivileged, MissingFileShowsConfigurationErrorBeforeAnyAuthorization) {
    for (const char* missing : {"sku.xml", "target_path.xml", "InstallUtility"})
        EXPECT_EQ((Calls{"ActivateIgnoringOtherApps", kConfigurationError}),
                  Flow(kPhase2, [&](RecordingPlatform& p) { p.files.erase(missing); }))
            << missing;
}

TEST(UninstallerPrivileged, FailingToolShowsUnexpectedErrorInsteadOfCompletion) {
    for (int status : {1, 255, -1})
        EXPECT_EQ(Concat(kAuthorized, {"ReadToolOutput(64)", "ToolExitStatus",
                                       "AuthorizationFree(8)", kUnexpectedError}),
                  Flow(kPhase2, [&](RecordingPlatform& p) { p.exitStatus = status; }))
            << status;
}

TEST(UninstallerPrivileged, TheToolRunsWithThePathsFoundOnceTheRightsAreGranted) {
    const std::map<std::string, std::string> moved = {{"sku.xml", "/m/sku.xml"},
                                                      {"target_path.xml", "/m/target_path.xml"},
                                                      {"InstallUtility", "/m/InstallUtility"}};
    const Calls granted(kAuthorized.begin(), kAuthorized.end() - 1);
    EXPECT_EQ(Concat(granted,
                     {"AuthorizationExecuteWithPrivileges(/m/InstallUtility|0|-uninstall|"
                      "/m/sku.xml|/m/target_path.xml|-v)",
                      "ReadToolOutput(64)", "ToolExitStatus", "AuthorizationFree(8)", kCompletion}),
              Flow(kPhase2, [&](RecordingPlatform& p) { p.filesOnceGranted = moved; }));
    for (const char* gone : {"sku.xml", "target_path.xml", "InstallUtility"}) {
        std::map<std::string, std::string> files = moved;
        files.erase(gone);
        EXPECT_EQ(Concat(granted, {"AuthorizationFree(8)", kConfigurationError}),
                  Flow(kPhase2, [&](RecordingPlatform& p) { p.filesOnceGranted = files; }))
            << gone;
    }
}

// The copy is the user's; the original bundle's files are used instead only
// when no one but root can change any of them.
TEST(UninstallerPrivileged, TheOriginalsFilesRunWhenOnlyRootCanChangeThem) {
    const std::string original = "/usr/lib/Qe/Uninstall.app/Contents/MacOS/";
    const std::set<std::string> all = {original + "sku.xml", original + "target_path.xml",
                                       original + "InstallUtility"};
    const std::string fromOriginal = "AuthorizationExecuteWithPrivileges(" + original +
                                     "InstallUtility|0|-uninstall|" + original + "sku.xml|" +
                                     original + "target_path.xml|-v)";
    const struct {
        const char* what;
        std::optional<std::string> recorded;
        std::set<std::string> rootsAlone;
        std::string run;
    } cases[] = {
        {"no record", std::nullopt, all, kAuthorized.back()},
        {"all three root's alone", "/usr/lib/Qe/Uninstall.app", all, fromOriginal},
        {"the tool not",
         "/usr/lib/Qe/Uninstall.app",
         {original + "sku.xml", original + "target_path.xml"},
         kAuthorized.back()},
        {"the targets not",
         "/usr/lib/Qe/Uninstall.app",
         {original + "sku.xml", original + "InstallUtility"},
         kAuthorized.back()},
        {"the definition not",
         "/usr/lib/Qe/Uninstall.app",
         {original + "target_path.xml", original + "InstallUtility"},
         kAuthorized.back()},
    };
    for (const auto& c : cases) {
        const Calls calls = Flow(kPhase2, [&](RecordingPlatform& p) {
            p.originalBundle = c.recorded;
            p.rootsAlone = c.rootsAlone;
        });
        ASSERT_GT(calls.size(), 3u) << c.what;
        EXPECT_EQ(calls[3], c.run) << c.what;
    }
}
