#include "CocoaPlatform.h"

#include "BundleOrigin.h"
#include "TrustedPath.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#ifdef __APPLE__
#include "DescriptorInheritance.h"
#include <Security/Authorization.h>
#include <cstdio>
#include <sys/wait.h>
#else
#include "ExecutableLocation.h"
#include "ProcessLibrary.h"
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#endif

#include <unistd.h>

// Gives an alert's window the alert's title once runModal has made the
// window (GNUstep titles every alert "Alert"), so that a window list shows
// which alert is up.
@interface QeAlertWindowTitle : NSObject {
    NSAlert* alert;
    NSString* title;
}
- (id)initWithAlert:(NSAlert*)anAlert title:(NSString*)aTitle;
- (void)apply;
@end

@implementation QeAlertWindowTitle
- (id)initWithAlert:(NSAlert*)anAlert title:(NSString*)aTitle {
    if ((self = [super init]) != nil) {
        alert = [anAlert retain];
        title = [aTitle copy];
    }
    return self;
}
- (void)dealloc {
    [alert release];
    [title release];
    [super dealloc];
}
- (void)apply {
    [[alert window] setTitle:title];
}
@end

namespace {

#ifndef __APPLE__
// The password panel that `sudo -A` runs, beside the program in the bundle.
const char kAskPasswordProgram[] = "AskPassword";
// The tool that the installed polkit action names (QE_INSTALLED_TOOL_PATH).
const char kToolProgram[] = "InstallUtility";
const char kInstalledTool[] = QE_INSTALLED_TOOL_PATH;
#endif

// Texts come as UTF-8 bytes; bytes that are not UTF-8 are shown as Latin-1
// rather than losing the whole text.
NSString* PlatformString(const std::string& text) {
    NSString* string = [[NSString alloc] initWithBytes:text.data()
                                                length:text.size()
                                              encoding:NSUTF8StringEncoding];
    if (string == nil)
        string = [[NSString alloc] initWithBytes:text.data()
                                          length:text.size()
                                        encoding:NSISOLatin1StringEncoding];
    return [string autorelease];
}

NSString* OptionalPlatformString(const std::optional<std::string>& text) {
    return text ? PlatformString(*text) : nil;
}

std::string StandardString(NSString* string) {
    const char* bytes = [string UTF8String];
    return bytes != nullptr ? bytes : "";
}

// The attributes of `path` itself: a link is not followed.
NSDictionary* OwnAttributes(NSString* path) {
    return [[NSFileManager defaultManager] attributesOfItemAtPath:path error:NULL];
}

#ifdef __APPLE__
bool IsRegularFile(NSString* path) {
    return [[OwnAttributes(path) fileType] isEqualToString:NSFileTypeRegular];
}
#endif

// A real folder (not a link) of this user that no one else may enter.
bool IsPrivateFolder(NSString* path) {
    NSDictionary* attributes = OwnAttributes(path);
    return [[attributes fileType] isEqualToString:NSFileTypeDirectory] &&
           [[attributes fileOwnerAccountID] unsignedLongValue] == geteuid() &&
           ([attributes filePosixPermissions] & 077) == 0;
}

} // namespace

bool CocoaPlatform::GraphicalSessionAvailable() {
#ifdef __APPLE__
    return true;
#else
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0')
        return false;
    // The back end's own library is asked, so no X11 headers are needed.
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (x11 == nullptr)
        return false;
    using OpenDisplay = void* (*)(const char*);
    using CloseDisplay = int (*)(void*);
    const auto open = reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay"));
    const auto close = reinterpret_cast<CloseDisplay>(dlsym(x11, "XCloseDisplay"));
    void* connection = open != nullptr && close != nullptr ? open(nullptr) : nullptr;
    if (connection != nullptr)
        close(connection);
    dlclose(x11);
    return connection != nullptr;
#endif
}

#ifdef __APPLE__
CocoaPlatform::CocoaPlatform() {
    [NSApplication sharedApplication];
    pool = [[NSAutoreleasePool alloc] init];
}
#else
CocoaPlatform::CocoaPlatform() : rights({"/usr/bin/sudo", "-A"}) {
    // The privileged tool's exit is waited for, so it must not be discarded;
    // and only the standard descriptors reach the programs started from here.
    signal(SIGCHLD, SIG_DFL);
    ProcessLibrary::KeepInheritedDescriptorsFromChildren();
    [NSApplication sharedApplication];
    pool = [[NSAutoreleasePool alloc] init];
}
#endif

CocoaPlatform::~CocoaPlatform() {
    [static_cast<NSAutoreleasePool*>(pool) release];
}

int CocoaPlatform::RunAlert(const std::string& title,
                            const std::optional<std::string>& defaultButton,
                            const std::optional<std::string>& alternateButton,
                            const std::string& informativeText) {
    NSString* titleString = PlatformString(title);
    // The text goes in as an argument, so a % in it is shown, not read.
    NSAlert* alert = [NSAlert alertWithMessageText:titleString
                                     defaultButton:OptionalPlatformString(defaultButton)
                                   alternateButton:OptionalPlatformString(alternateButton)
                                       otherButton:nil
                         informativeTextWithFormat:@"%@", PlatformString(informativeText)];
    QeAlertWindowTitle* windowTitle =
        [[[QeAlertWindowTitle alloc] initWithAlert:alert title:titleString] autorelease];
    [windowTitle performSelector:@selector(apply)
                      withObject:nil
                      afterDelay:0
                         inModes:[NSArray arrayWithObject:NSModalPanelRunLoopMode]];
    return static_cast<int>([alert runModal]);
}

std::optional<std::string> CocoaPlatform::PathForAuxiliaryExecutable(const std::string& name) {
#ifdef __APPLE__
    NSString* path = [[NSBundle mainBundle] pathForAuxiliaryExecutable:PlatformString(name)];
    if (path == nil || !IsRegularFile(path))
        return std::nullopt;
    return StandardString(path);
#else
    return ExecutableLocation::RegularFileBeside(name);
#endif
}

std::string CocoaPlatform::BundlePath() {
#ifdef __APPLE__
    return StandardString([[NSBundle mainBundle] bundlePath]);
#else
    return ExecutableLocation::BundleDirectory();
#endif
}

std::string CocoaPlatform::TemporaryDirectory() {
    return StandardString(NSTemporaryDirectory());
}

std::string CocoaPlatform::GloballyUniqueString() {
    return StandardString([[NSProcessInfo processInfo] globallyUniqueString]);
}

bool CocoaPlatform::CreateDirectory(const std::string& path) {
    NSString* folder = PlatformString(path);
    if (!IsPrivateFolder([folder stringByDeletingLastPathComponent]))
        return false;
    NSDictionary* privateMode =
        [NSDictionary dictionaryWithObject:[NSNumber numberWithUnsignedLong:0700]
                                    forKey:NSFilePosixPermissions];
    return [[NSFileManager defaultManager] createDirectoryAtPath:folder
                                     withIntermediateDirectories:NO
                                                      attributes:privateMode
                                                           error:NULL] &&
           IsPrivateFolder(folder);
}

bool CocoaPlatform::CopyItem(const std::string& source, const std::string& destination) {
    return [[NSFileManager defaultManager] copyItemAtPath:PlatformString(source)
                                                   toPath:PlatformString(destination)
                                                    error:NULL];
}

bool CocoaPlatform::RecordOriginalBundle(const std::string& copy, const std::string& original) {
    return BundleOrigin::Record(copy, original);
}

std::optional<std::string> CocoaPlatform::OriginalBundlePath() {
    return BundleOrigin::Read(BundlePath());
}

bool CocoaPlatform::IsRootsAlone(const std::string& path) {
    return TrustedPath::IsRootsAlone(path);
}

bool CocoaPlatform::LaunchTask(const std::string& path, const std::vector<std::string>& arguments) {
    NSMutableArray* taskArguments = [NSMutableArray array];
    for (const std::string& argument : arguments)
        [taskArguments addObject:PlatformString(argument)];
    @try {
        [NSTask launchedTaskWithLaunchPath:PlatformString(path) arguments:taskArguments];
    } @catch (NSException*) {
        // Raised for a path that cannot be run.
        return false;
    }
    return true;
}

void CocoaPlatform::ActivateIgnoringOtherApps() {
    [NSApp activateIgnoringOtherApps:YES];
}

#ifdef __APPLE__

OSStatus CocoaPlatform::AuthorizationCreate(AuthorizationFlags flags,
                                            AuthorizationRef* authorization) {
    return ::AuthorizationCreate(NULL, kAuthorizationEmptyEnvironment, flags, authorization);
}

OSStatus CocoaPlatform::AuthorizationCopyRights(AuthorizationRef authorization, const char* right,
                                                AuthorizationFlags flags) {
    AuthorizationItem item = {right, 0, NULL, 0};
    AuthorizationRights rights = {1, &item};
    return ::AuthorizationCopyRights(authorization, &rights, kAuthorizationEmptyEnvironment, flags,
                                     NULL);
}

OSStatus CocoaPlatform::AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                           const char* toolPath,
                                                           AuthorizationFlags flags,
                                                           char* const* arguments,
                                                           ToolOutput* output) {
    FILE* pipe = NULL;
    // The tool runs as root: it gets none of the descriptors this process was handed.
    DescriptorInheritance::MarkInheritedCloseOnExec();
    const OSStatus status =
        ::AuthorizationExecuteWithPrivileges(authorization, toolPath, flags, arguments, &pipe);
    if (status != errAuthorizationSuccess)
        return status;
    toolPipe = pipe;
    output->descriptor = fileno(pipe);
    return status;
}

long CocoaPlatform::ReadToolOutput(const ToolOutput& output, char* buffer, unsigned long size) {
    return read(output.descriptor, buffer, size);
}

int CocoaPlatform::ToolExitStatus(const ToolOutput&) {
    fclose(static_cast<FILE*>(toolPipe));
    toolPipe = nullptr;
    // The tool runs in a child of this process that the call started and
    // did not name; it is the only child.
    int status = 0;
    if (wait(&status) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

OSStatus CocoaPlatform::AuthorizationFree(AuthorizationRef authorization,
                                          AuthorizationFlags flags) {
    return ::AuthorizationFree(authorization, flags);
}

#else

OSStatus CocoaPlatform::AuthorizationCreate(AuthorizationFlags, AuthorizationRef* authorization) {
    return rights.Create(authorization);
}

// The panel root installed, when the original bundle holds one only root can
// change: a process of the user's could have put its own in the copy to read
// the password.
std::optional<std::string> CocoaPlatform::PasswordPanel() {
    if (const std::optional<std::string> panel = OriginalBundleFile(kAskPasswordProgram);
        panel && IsRootsAlone(*panel))
        return panel;
    return PathForAuxiliaryExecutable(kAskPasswordProgram);
}

std::optional<std::string> CocoaPlatform::OriginalBundleFile(const std::string& name) {
    const std::optional<std::string> original = OriginalBundlePath();
    if (!original)
        return std::nullopt;
    return *original + "/Contents/MacOS/" + name;
}

// The action names the installed tool alone: the run takes that one when it
// is the original bundle's and root's alone. Root needs no one asked.
bool CocoaPlatform::PolkitServesTheTool() {
    return geteuid() != 0 && OriginalBundleFile(kToolProgram) == kInstalledTool &&
           IsRootsAlone(kInstalledTool) && IsRootsAlone(polkit.ExecProgram());
}

std::optional<OSStatus> CocoaPlatform::PolkitCopyRights(AuthorizationRef authorization,
                                                        const char* right,
                                                        AuthorizationFlags flags) {
    switch (polkit.Ask((flags & kAuthorizationFlagInteractionAllowed) != 0)) {
    case PolkitAuthority::Answer::Granted:
        return rights.GrantForTool(authorization, right, {polkit.ExecProgram()}, kInstalledTool);
    case PolkitAuthority::Answer::Refused:
        return errAuthorizationCanceled;
    case PolkitAuthority::Answer::NotAsked:
        break;
    }
    return std::nullopt;
}

OSStatus CocoaPlatform::AuthorizationCopyRights(AuthorizationRef authorization, const char* right,
                                                AuthorizationFlags flags) {
    // The desktop's own dialog when an agent runs; else the bundle's panel.
    if (PolkitServesTheTool())
        if (const std::optional<OSStatus> status = PolkitCopyRights(authorization, right, flags))
            return *status;
    // sudo -A runs the program SUDO_ASKPASS names to ask for the password:
    // it writes the password to sudo through a pipe, never to a file or an
    // argument. Without the panel, nobody can be asked.
    const std::optional<std::string> askPassword = PasswordPanel();
    if (!askPassword)
        return rights.CopyRights(authorization, right,
                                 flags & ~kAuthorizationFlagInteractionAllowed);
    setenv("SUDO_ASKPASS", askPassword->c_str(), 1);
    return rights.CopyRights(authorization, right, flags);
}

OSStatus CocoaPlatform::AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                           const char* toolPath, AuthorizationFlags,
                                                           char* const* arguments,
                                                           ToolOutput* output) {
    return rights.ExecuteWithPrivileges(authorization, toolPath, arguments, output);
}

long CocoaPlatform::ReadToolOutput(const ToolOutput& output, char* buffer, unsigned long size) {
    return rights.ReadToolOutput(output, buffer, size);
}

int CocoaPlatform::ToolExitStatus(const ToolOutput& output) {
    return rights.ToolExitStatus(output);
}

OSStatus CocoaPlatform::AuthorizationFree(AuthorizationRef authorization,
                                          AuthorizationFlags flags) {
    return rights.Free(authorization, flags);
}

#endif

extern "C" __attribute__((visibility("default"))) UninstallerPlatform* QeCreateDesktopPlatform() {
    return CocoaPlatform::GraphicalSessionAvailable() ? new CocoaPlatform : nullptr;
}
