#include "Uninstaller.h"

#include "PathLibrary.h"
#include "SKUDefinition.h"

namespace {

const char kPrivilegedPhaseArgument[] = "1";
const char kFallbackProductName[] = "this product";
const char kSkuFile[] = "sku.xml";
const char kTargetsFile[] = "target_path.xml";
const char kToolName[] = "InstallUtility";
const char kBundleCopyName[] = "Uninstall.app";
const char kExecutableFolder[] = "Contents/MacOS";
const char kCopyExecutable[] = "Contents/MacOS/Uninstall";
const AuthorizationFlags kRightsFlags = kAuthorizationFlagInteractionAllowed |
                                        kAuthorizationFlagExtendRights |
                                        kAuthorizationFlagPreAuthorize;
const unsigned long kOutputReadSize = 64;

// The alert texts are kept word for word, their spelling ("unxpected",
// "occured") and the file name they mention included: users know them.
const char kConfigurationErrorTitle[] = "Configuration Error";
const char kConfigurationErrorText[] =
    "Configuration file Uninstall.plist not found in application bundle.";
const char kUnexpectedErrorTitle[] = "Unexpected Error";
const char kUnexpectedErrorText[] = "An unxpected error has occured. Restart uninstaller.";
const char kCompletedText[] = "Uninstallation completed successfully.";

// The product name is always inserted as text, never used as a format.
std::string UninstallTitle(const std::string& productName) {
    return "Uninstall " + productName;
}

} // namespace

std::string GetProductName(const std::optional<std::string>& skuPath) {
    if (!skuPath)
        return kFallbackProductName;
    const QeString path(skuPath->c_str());
    if (!path.IsSet())
        return kFallbackProductName;
    SKUDefinition definition;
    definition.fromFile(path);
    const QeString& name = definition.skuInfo.name;
    return name.IsSet() ? std::string(name.ConstData()) : kFallbackProductName;
}

std::optional<std::string> CreateTemporaryDirectory(UninstallerPlatform& platform) {
    const std::string path = PathLibrary::AppendPathComponent(platform.TemporaryDirectory(),
                                                              platform.GloballyUniqueString());
    if (!platform.CreateDirectory(path))
        return std::nullopt;
    return path;
}

bool Uninstaller::IsPrivilegedPhase(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == kPrivilegedPhaseArgument)
            return true;
    }
    return false;
}

int Uninstaller::Run(const std::vector<std::string>& arguments) {
    const bool privileged = IsPrivilegedPhase(arguments);
    const BundleFiles files = LookUpBundleFiles();
    const std::string productName = GetProductName(files.skuPath);
    if (privileged)
        RunInstallUtility(files, productName);
    else
        ConfirmAndRelaunch(files, productName);
    return 0;
}

void Uninstaller::ConfirmAndRelaunch(const BundleFiles& files, const std::string& productName) {
    if (!files.skuPath || !files.targetPath) {
        ShowNotice(kConfigurationErrorTitle, kConfigurationErrorText);
        return;
    }
    const int answer = platform.RunAlert(
        UninstallTitle(productName), std::string("Cancel"), std::string("Uninstall"),
        "Do you wish to remove " + productName + " and all related components?");
    if (answer != UninstallerPlatform::kAlternateButton)
        return;
    const std::optional<std::string> directory = CreateTemporaryDirectory(platform);
    if (!directory) {
        ShowNotice(kUnexpectedErrorTitle, kUnexpectedErrorText);
        return;
    }
    const std::string copy = PathLibrary::AppendPathComponent(*directory, kBundleCopyName);
    const std::string bundle = platform.BundlePath();
    // A copy or start that fails is reported, not left to end in silence.
    if (!platform.CopyItem(bundle, copy) || !platform.RecordOriginalBundle(copy, bundle) ||
        !platform.LaunchTask(PathLibrary::AppendPathComponent(copy, kCopyExecutable),
                             {kPrivilegedPhaseArgument}))
        ShowNotice(kUnexpectedErrorTitle, kUnexpectedErrorText);
}

Uninstaller::BundleFiles Uninstaller::LookUpBundleFiles() {
    BundleFiles files;
    files.skuPath = platform.PathForAuxiliaryExecutable(kSkuFile);
    files.targetPath = platform.PathForAuxiliaryExecutable(kTargetsFile);
    files.toolPath = platform.PathForAuxiliaryExecutable(kToolName);
    return files;
}

Uninstaller::BundleFiles Uninstaller::FilesToRunWith() {
    const std::optional<std::string> original = platform.OriginalBundlePath();
    if (!original)
        return LookUpBundleFiles();
    const std::string folder = PathLibrary::AppendPathComponent(*original, kExecutableFolder);
    BundleFiles files;
    for (auto [file, name] :
         {std::pair{&files.skuPath, kSkuFile}, std::pair{&files.targetPath, kTargetsFile},
          std::pair{&files.toolPath, kToolName}}) {
        const std::string path = PathLibrary::AppendPathComponent(folder, name);
        if (!platform.IsRootsAlone(path))
            return LookUpBundleFiles();
        *file = path;
    }
    return files;
}

void Uninstaller::RunInstallUtility(const BundleFiles& files, const std::string& productName) {
    platform.ActivateIgnoringOtherApps();
    // Nothing runs with a path that is missing, and nobody is asked for rights.
    if (!files.IsComplete()) {
        ShowNotice(kConfigurationErrorTitle, kConfigurationErrorText);
        return;
    }
    AuthorizationRef authorization = nullptr;
    if (platform.AuthorizationCreate(kAuthorizationFlagDefaults, &authorization) !=
        errAuthorizationSuccess) {
        platform.AuthorizationFree(authorization, kAuthorizationFlagDestroyRights);
        return;
    }
    std::optional<int> toolStatus;
    bool filesGone = false;
    if (platform.AuthorizationCopyRights(authorization, UninstallerPlatform::kAdministratorRight,
                                         kRightsFlags) == errAuthorizationSuccess) {
        // The paths the tool runs with are taken only once the rights are
        // granted: the folder may have been moved or replaced while the
        // password was typed.
        const BundleFiles granted = FilesToRunWith();
        filesGone = !granted.IsComplete();
        if (!filesGone)
            toolStatus = RunTool(authorization, granted);
    }
    platform.AuthorizationFree(authorization, kAuthorizationFlagDestroyRights);
    if (filesGone)
        ShowNotice(kConfigurationErrorTitle, kConfigurationErrorText);
    if (!toolStatus)
        return;
    if (*toolStatus == 0)
        ShowNotice(UninstallTitle(productName), kCompletedText);
    else
        ShowNotice(kUnexpectedErrorTitle, kUnexpectedErrorText);
}

std::optional<int> Uninstaller::RunTool(AuthorizationRef authorization, const BundleFiles& files) {
    std::string uninstall = "-uninstall";
    std::string skuPath = *files.skuPath;
    std::string targetPath = *files.targetPath;
    std::string verbose = "-v";
    char* const arguments[] = {uninstall.data(), skuPath.data(), targetPath.data(), verbose.data(),
                               nullptr};
    ToolOutput output;
    if (platform.AuthorizationExecuteWithPrivileges(authorization, files.toolPath->c_str(),
                                                    kAuthorizationFlagDefaults, arguments,
                                                    &output) != errAuthorizationSuccess)
        return std::nullopt;
    // The output only tells when the tool is done; its bytes are not used.
    char buffer[kOutputReadSize] = {};
    while (platform.ReadToolOutput(output, buffer, sizeof buffer) > 0) {
    }
    return platform.ToolExitStatus(output);
}

void Uninstaller::ShowNotice(const std::string& title, const std::string& text) {
    platform.RunAlert(title, std::nullopt, std::nullopt, text);
}
