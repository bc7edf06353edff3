#include "Uninstaller.h"
#include "RecordingPlatform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

const std::string kSamplePath = QE_SAMPLES_DIR "/sku.xml";
const std::string kSampleName = "Qe Studio Effects";
const std::string kConfigurationError =
    "RunAlert(Configuration Error|-|-|Configuration file Uninstall.plist not found in "
    "application bundle.)";
const std::string kUnexpectedError =
    "RunAlert(Unexpected Error|-|-|An unxpected error has occured. Restart uninstaller.)";

std::string Confirmation(const std::string& name) {
    return "RunAlert(Uninstall " + name + "|Cancel|Uninstall|Do you wish to remove " + name +
           " and all related components?)";
}
std::string Completion(const std::string& name) {
    return "RunAlert(Uninstall " + name + "|-|-|Uninstallation completed successfully.)";
}

// A scratch directory under /tmp, removed with its contents.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/qe-uninstaller-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::string Write(const std::string& name, const std::string& content) {
        std::filesystem::create_directories(std::filesystem::path(path + "/" + name).parent_path());
        std::ofstream(path + "/" + name) << content;
        return path + "/" + name;
    }
    std::string path;
};

std::string SkuXml(const std::string& skuAttributes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<product><sku ID=\"QE-1\" " +
           skuAttributes + "/></product>\n";
}

// A complete bundle whose sku.xml is the sample.
RecordingPlatform Bundle() {
    RecordingPlatform platform;
    platform.files = {{"sku.xml", kSamplePath},
                      {"target_path.xml", "/b/target_path.xml"},
                      {"InstallUtility", "/b/InstallUtility"}};
    return platform;
}

Calls RunFlow(RecordingPlatform& platform, const std::vector<std::string>& arguments) {
    EXPECT_EQ(0, Uninstaller(platform).Run(arguments));
    return platform.Actions();
}

const std::string kExecute = "AuthorizationExecuteWithPrivileges(/b/InstallUtility|0|-uninstall|" +
                             kSamplePath + "|/b/target_path.xml|-v)";
const Calls kAuthorized = {"ActivateIgnoringOtherApps", "AuthorizationCreate(0)",
                           "AuthorizationCopyRights(system.privilege.admin|19)", kExecute};

Calls Concat(Calls head, const Calls& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

} // namespace

TEST(UninstallerArguments, PhaseTwoOnlyForAnExactOneAfterTheProgramName) {
    using U = Uninstaller;
    EXPECT_TRUE(U::IsPrivilegedPhase({"Uninstall", "1"}));
    EXPECT_TRUE(U::IsPrivilegedPhase({"Uninstall", "-psn_0_1", "1"}));
    EXPECT_TRUE(U::IsPrivilegedPhase({"Uninstall", "1", "more"}));
    for (const char* argument : {"01", " 1", "1 ", "", "11", "1\n"})
        EXPECT_FALSE(U::IsPrivilegedPhase({"Uninstall", argument})) << '"' << argument << '"';
    EXPECT_FALSE(U::IsPrivilegedPhase({"1"}));
    EXPECT_FALSE(U::IsPrivilegedPhase({}));

    // Run chooses by the same rule, with no arguments at all too.
    for (const std::vector<std::string>& phaseOne : {std::vector<std::string>{"1"}, {}}) {
        RecordingPlatform platform = Bundle();
        EXPECT_EQ(Calls{Confirmation(kSampleName)}, RunFlow(platform, phaseOne));
    }
    RecordingPlatform platform = Bundle();
    EXPECT_EQ("ActivateIgnoringOtherApps", RunFlow(platform, {"Uninstall", "x", "1"}).at(0));
}

TEST(UninstallerProductName, FallsBackToThisProductWithoutAName) {
    ScratchDir dir;
    EXPECT_EQ("this product", GetProductName(std::nullopt));
    EXPECT_EQ("this product", GetProductName(dir.path + "/missing.xml"));
    EXPECT_EQ("this product", GetProductName(dir.path));
    EXPECT_EQ("this product", GetProductName(dir.Write("none.xml", SkuXml("build=\"1\""))));
    EXPECT_EQ("this product", GetProductName(dir.Write("empty.xml", SkuXml("name=\"\""))));
    EXPECT_EQ("this product", GetProductName(dir.Write("junk.xml", "not xml <sku name=\"X\"")));
}

TEST(UninstallerProductName, ReadsTheNameAsUtf8) {
    ScratchDir dir;
    EXPECT_EQ(kSampleName, GetProductName(kSamplePath));
    EXPECT_EQ("Qé Studio ✓",
              GetProductName(dir.Write("Prodüct dir/sku.xml", SkuXml("name=\"Qé Studio ✓\""))));
}

TEST(UninstallerConfirm, MissingDataFileShowsOnlyConfigurationError) {
    for (const Calls& missing :
         {Calls{"sku.xml"}, {"target_path.xml"}, {"sku.xml", "target_path.xml"}}) {
        RecordingPlatform platform = Bundle();
        platform.answers = {UninstallerPlatform::kAlternateButton};
        for (const std::string& name : missing)
            platform.files.erase(name);
        EXPECT_EQ(Calls{kConfigurationError}, RunFlow(platform, {"Uninstall"})) << missing[0];
    }
}

TEST(UninstallerConfirm, AnythingButUninstallEndsTheRun) {
    for (int answer : {UninstallerPlatform::kDefaultButton, 2, -1}) {
        RecordingPlatform platform = Bundle();
        platform.answers = {answer};
        EXPECT_EQ(Calls{Confirmation(kSampleName)}, RunFlow(platform, {"Uninstall"})) << answer;
    }
    RecordingPlatform unanswered = Bundle();
    EXPECT_EQ(Calls{Confirmation(kSampleName)}, RunFlow(unanswered, {"Uninstall"}));
}

TEST(UninstallerConfirm, ShowsTheProductNameLiterally) {
    ScratchDir dir;
    RecordingPlatform platform = Bundle();
    platform.files["sku.xml"] = dir.Write("sku.xml", SkuXml("name=\"100% %@ %d %s %%\""));
    EXPECT_EQ(Calls{Confirmation("100% %@ %d %s %%")}, RunFlow(platform, {"Uninstall"}));

    RecordingPlatform unreadable = Bundle();
    unreadable.files["sku.xml"] = dir.path + "/missing.xml";
    EXPECT_EQ(Calls{Confirmation("this product")}, RunFlow(unreadable, {"Uninstall"}));
}

TEST(UninstallerConfirm, CopiesTheBundleIntoAFreshDirectoryAndStartsTheCopy) {
    // Whatever the bundle is called and however the temporary directory ends.
    for (const char* temporary : {"/tmp/qe", "/tmp/qe/"}) {
        RecordingPlatform platform = Bundle();
        platform.answers = {UninstallerPlatform::kAlternateButton};
        platform.bundlePath = "/Apps/Qe Remover.app";
        platform.temporaryDirectory = temporary;
        EXPECT_EQ((Calls{Confirmation(kSampleName), "CreateDirectory(/tmp/qe/U-1)",
                         "CopyItem(/Apps/Qe Remover.app|/tmp/qe/U-1/Uninstall.app)",
                         "LaunchTask(/tmp/qe/U-1/Uninstall.app/Contents/MacOS/Uninstall|1)"}),
                  RunFlow(platform, {"Uninstall"}))
            << temporary;
    }
}

TEST(UninstallerConfirm, EachFailedStepShowsUnexpectedError) {
    const Calls steps = {Confirmation(kSampleName), "CreateDirectory(/tmp/qe/U-1)",
                         "CopyItem(/Apps/Uninstall.app|/tmp/qe/U-1/Uninstall.app)",
                         "LaunchTask(/tmp/qe/U-1/Uninstall.app/Contents/MacOS/Uninstall|1)"};
    for (size_t failing = 1; failing < steps.size(); ++failing) {
        RecordingPlatform platform = Bundle();
        platform.answers = {UninstallerPlatform::kAlternateButton};
        platform.createDirectoryResult = failing != 1;
        platform.copyItemResult = failing != 2;
        platform.launchTaskResult = failing != 3;
        Calls expected(steps.begin(), steps.begin() + failing + 1);
        expected.push_back(kUnexpectedError);
        EXPECT_EQ(expected, RunFlow(platform, {"Uninstall"})) << steps[failing];
    }

    RecordingPlatform platform;
    EXPECT_EQ("/tmp/qe/U-1", CreateTemporaryDirectory(platform).value_or("none"));
    platform.createDirectoryResult = false;
    EXPECT_FALSE(CreateTemporaryDirectory(platform));
}

TEST(UninstallerPrivileged, ReadsTheOutputToItsEndThenFreesThenReports) {
    for (long end : {0L, -1L}) {
        RecordingPlatform platform = Bundle();
        platform.toolOutput = {"Removing files\n", std::string(64, 'x'), "Done.\n"};
        platform.readEnd = end;
        const Calls expected =
            Concat(kAuthorized, {"ReadToolOutput(64)", "ReadToolOutput(64)", "ReadToolOutput(64)",
                                 "ReadToolOutput(64)", "ToolExitStatus", "AuthorizationFree(8)",
                                 Completion(kSampleName)});
        EXPECT_EQ(expected, RunFlow(platform, {"Uninstall", "1"})) << end;
    }
}

TEST(UninstallerPrivileged, AuthorizationFailuresFreeTheRightsAndEndQuietly) {
    RecordingPlatform uncreated = Bundle();
    uncreated.createStatus = -1;
    EXPECT_EQ(
        (Calls{"ActivateIgnoringOtherApps", "AuthorizationCreate(0)", "AuthorizationFree(8)"}),
        RunFlow(uncreated, {"Uninstall", "1"}));

    for (OSStatus refusal : {errAuthorizationDenied, errAuthorizationCanceled}) {
        RecordingPlatform platform = Bundle();
        platform.copyRightsStatus = refusal;
        EXPECT_EQ(Concat({kAuthorized.begin(), kAuthorized.end() - 1}, {"AuthorizationFree(8)"}),
                  RunFlow(platform, {"Uninstall", "1"}))
            << refusal;
    }

    RecordingPlatform unstarted = Bundle();
    unstarted.executeStatus = errAuthorizationToolExecuteFailure;
    EXPECT_EQ(Concat(kAuthorized, {"AuthorizationFree(8)"}),
              RunFlow(unstarted, {"Uninstall", "1"}));
}

TEST(UninstallerPrivileged, MissingFileShowsConfigurationErrorBeforeAnyAuthorization) {
    for (const char* missing : {"sku.xml", "target_path.xml", "InstallUtility"}) {
        RecordingPlatform platform = Bundle();
        platform.files.erase(missing);
        EXPECT_EQ((Calls{"ActivateIgnoringOtherApps", kConfigurationError}),
                  RunFlow(platform, {"Uninstall", "1"}))
            << missing;
    }
}

TEST(UninstallerPrivileged, FailingToolShowsUnexpectedErrorInsteadOfCompletion) {
    for (int status : {1, 255, -1}) {
        RecordingPlatform platform = Bundle();
        platform.exitStatus = status;
        EXPECT_EQ(Concat(kAuthorized, {"ReadToolOutput(64)", "ToolExitStatus",
                                       "AuthorizationFree(8)", kUnexpectedError}),
                  RunFlow(platform, {"Uninstall", "1"}))
            << status;
    }
}
