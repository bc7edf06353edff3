// The password prompt that `sudo -A` runs (SUDO_ASKPASS): a modal AppKit panel
// with a secure text field. sudo calls it as `AskPassword PROMPT` and reads the
// password, ended by one newline, from its standard output. Cancelling writes
// nothing and exits with status 1, which sudo takes as no password given.

#import <AppKit/AppKit.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <unistd.h>
#include <vector>

static NSString* const kPanelTitle = @"Administrator Password";
static NSString* const kExplanation = @"Uninstalling needs an administrator's password.";

static const CGFloat kPanelWidth = 420;
static const CGFloat kMargin = 20;
static const CGFloat kSpacing = 8;
static const CGFloat kLabelInset = 4;
static const CGFloat kFieldHeight = 24;
static const CGFloat kButtonWidth = 90;
static const CGFloat kButtonHeight = 28;

/// Ends the modal session with the button's tag; closing the panel counts as Cancel.
/// As the application's delegate it also keeps GNUstep from taking the prompt,
/// a command-line argument, for a document to open.
@interface AskPasswordResponder : NSObject
- (void)answer:(id)sender;
- (BOOL)windowShouldClose:(id)sender;
- (void)application:(NSApplication*)application openFiles:(NSArray*)files;
@end

@implementation AskPasswordResponder
- (void)answer:(id)sender {
    [NSApp stopModalWithCode:[sender tag]];
}

- (BOOL)windowShouldClose:(id)sender {
    (void)sender;
    [NSApp stopModalWithCode:NSModalResponseCancel];
    return NO;
}

- (void)application:(NSApplication*)application openFiles:(NSArray*)files {
    (void)files;
    [application replyToOpenOrPrint:NSApplicationDelegateReplyCancel];
}
@end

/// Appends one character of the prompt, control characters as visible escapes.
static void AppendShown(NSMutableString* shown, unichar character, NSCharacterSet* controls) {
    if (![controls characterIsMember:character]) {
        [shown appendString:[NSString stringWithCharacters:&character length:1]];
    } else if (character == '\n') {
        [shown appendString:@"\\n"];
    } else if (character == '\r') {
        [shown appendString:@"\\r"];
    } else if (character == '\t') {
        [shown appendString:@"\\t"];
    } else if (character < 0x100) {
        [shown appendFormat:@"\\x%02X", (unsigned)character];
    } else {
        [shown appendFormat:@"\\u%04X", (unsigned)character];
    }
}

/// The prompt with its control characters escaped.
static NSString* ShownPrompt(NSString* prompt) {
    NSCharacterSet* controls = [NSCharacterSet controlCharacterSet];
    NSMutableString* shown = [NSMutableString string];
    for (NSUInteger index = 0; index < [prompt length]; ++index) {
        AppendShown(shown, [prompt characterAtIndex:index], controls);
    }
    return shown;
}

/// A wrapping, read-only label of the panel's width whose top edge is at `top`.
static NSTextField* MakeLabel(NSString* text, CGFloat top) {
    const CGFloat width = kPanelWidth - 2 * kMargin;
    NSTextField* label =
        [[[NSTextField alloc] initWithFrame:NSMakeRect(0, 0, width, 0)] autorelease];
    [label setStringValue:text];
    [label setEditable:NO];
    [label setSelectable:NO];
    [label setBezeled:NO];
    [label setBordered:NO];
    [label setDrawsBackground:NO];
    [[label cell] setWraps:YES];
    // GNUstep's cellSizeForBounds: ignores the width; the text's own layout does not.
    const NSRect used =
        [[label attributedStringValue] boundingRectWithSize:NSMakeSize(width - kLabelInset, 10000)
                                                    options:NSStringDrawingUsesLineFragmentOrigin];
    const CGFloat height = ceil(NSHeight(used)) + kLabelInset;
    [label setFrame:NSMakeRect(kMargin, top - height, width, height)];
    return label;
}

/// A push button that answers `tag` and is pressed by `key`.
static NSButton* MakeButton(NSString* title, NSString* key, NSInteger tag, CGFloat right,
                            AskPasswordResponder* responder) {
    NSRect frame = NSMakeRect(right - kButtonWidth, kMargin, kButtonWidth, kButtonHeight);
    NSButton* button = [[[NSButton alloc] initWithFrame:frame] autorelease];
    [button setTitle:title];
    [button setButtonType:NSMomentaryPushInButton];
    [button setBezelStyle:NSRoundedBezelStyle];
    [button setKeyEquivalent:key];
    [button setTag:tag];
    [button setTarget:responder];
    [button setAction:@selector(answer:)];
    return button;
}

/// The panel: the explanation, the prompt when there is one, the field and the two buttons.
/// Everything above the buttons is laid out top-down from a provisional height.
static NSPanel* MakePanel(NSString* prompt, NSSecureTextField** field,
                          AskPasswordResponder* responder) {
    const CGFloat provisional = 10000;
    NSMutableArray* views = [NSMutableArray array];
    CGFloat top = provisional - kMargin;
    NSTextField* explanation = MakeLabel(kExplanation, top);
    [views addObject:explanation];
    top = NSMinY([explanation frame]) - kSpacing;
    if (prompt != nil) {
        NSTextField* shown = MakeLabel(prompt, top);
        [views addObject:shown];
        top = NSMinY([shown frame]) - kSpacing;
    }
    NSRect fieldFrame =
        NSMakeRect(kMargin, top - kFieldHeight, kPanelWidth - 2 * kMargin, kFieldHeight);
    *field = [[[NSSecureTextField alloc] initWithFrame:fieldFrame] autorelease];
    [views addObject:*field];
    const CGFloat buttonsTop = kMargin + kButtonHeight;
    const CGFloat drop = NSMinY(fieldFrame) - kMargin - buttonsTop;
    const CGFloat height = provisional - drop;

    NSPanel* panel = [[NSPanel alloc] initWithContentRect:NSMakeRect(0, 0, kPanelWidth, height)
                                                styleMask:NSTitledWindowMask | NSClosableWindowMask
                                                  backing:NSBackingStoreBuffered
                                                    defer:NO];
    [panel setTitle:kPanelTitle];
    [panel setReleasedWhenClosed:NO];
    [panel setDelegate:responder];
    NSView* content = [panel contentView];
    for (NSUInteger index = 0; index < [views count]; ++index) {
        NSView* view = [views objectAtIndex:index];
        [view setFrameOrigin:NSMakePoint(NSMinX([view frame]), NSMinY([view frame]) - drop)];
        [content addSubview:view];
    }
    const CGFloat right = kPanelWidth - kMargin;
    [content addSubview:MakeButton(@"OK", @"\r", NSModalResponseOK, right, responder)];
    [content addSubview:MakeButton(@"Cancel", @"\033", NSModalResponseCancel,
                                   right - kButtonWidth - kSpacing, responder)];
    [panel setInitialFirstResponder:*field];
    return panel;
}

/// Writes all of `bytes`, resuming after partial writes and signals; false on any other failure.
static bool WriteAll(int descriptor, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t written = write(descriptor, bytes, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

/// Overwrites `bytes` in a way the compiler may not drop as a dead store.
static void Wipe(std::vector<char>& bytes) {
    volatile char* cursor = bytes.data();
    for (size_t index = 0; index < bytes.size(); ++index) {
        cursor[index] = 0;
    }
}

/// Writes the field's text in UTF-8 and a newline to standard output, then wipes the copy;
/// false, with nothing written, when the text has no UTF-8 form.
static bool HandOver(NSSecureTextField* field) {
    NSString* password = [field stringValue];
    // Room for the text and its terminator, which the newline replaces, and one byte
    // more: GNUstep refuses a one-byte buffer even for an empty text.
    std::vector<char> bytes([password maximumLengthOfBytesUsingEncoding:NSUTF8StringEncoding] + 2);
    bool written = [password getCString:bytes.data()
                              maxLength:bytes.size()
                               encoding:NSUTF8StringEncoding];
    if (written) {
        const size_t used = std::strlen(bytes.data());
        bytes[used] = '\n';
        written = WriteAll(STDOUT_FILENO, bytes.data(), used + 1);
    }
    Wipe(bytes);
    return written;
}

/// Leaves as Cancel does, writing nothing; only async-signal-safe calls.
static void CancelOnSignal(int) {
    _exit(EXIT_FAILURE);
}

/// GNUstep catches SIGTERM and ignores it while a panel is modal: sudo giving up
/// on the prompt must still take it down.
static void CancelOnTerminationSignals() {
    struct sigaction action = {};
    action.sa_handler = CancelOnSignal;
    sigemptyset(&action.sa_mask);
    const int signals[] = {SIGTERM, SIGINT, SIGHUP};
    for (int signal : signals) {
        sigaction(signal, &action, nullptr);
    }
}

/// True when the character type the environment names is UTF-8.
static bool EnvironmentTypesUTF8() {
    return setlocale(LC_CTYPE, "") != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

/// GNUstep's input method composes dead keys and Compose sequences in the
/// character set of the locale that the environment names (GNUstep sets it up
/// itself), and loses what that set lacks: under C and POSIX, all but Latin-1.
/// The password is handed over in UTF-8 anyway, so an environment that is not
/// UTF-8 is given C.UTF-8 before GNUstep starts; the panel's texts are its own,
/// so no other part of the locale matters.
static void ComposeInUTF8() {
    if (!EnvironmentTypesUTF8() && setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {
        setenv("LC_ALL", "C.UTF-8", 1);
    }
}

int main() {
    ComposeInUTF8();
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    [NSApplication sharedApplication];
    CancelOnTerminationSignals();
    // The arguments as the process information decoded them, in the locale's encoding.
    NSArray* arguments = [[NSProcessInfo processInfo] arguments];
    NSString* prompt = [arguments count] > 1 ? ShownPrompt([arguments objectAtIndex:1]) : nil;

    AskPasswordResponder* responder = [[AskPasswordResponder alloc] init];
    [NSApp setDelegate:responder];
    // GNUstep's application tracks the key window, which alone receives key
    // events, only once launching has finished.
    [NSApp finishLaunching];
    NSSecureTextField* field = nil;
    NSPanel* panel = MakePanel(prompt, &field, responder);
    [panel center];
    [NSApp activateIgnoringOtherApps:YES];
    [panel makeKeyAndOrderFront:nil];
    [panel makeFirstResponder:field];
    const NSInteger response = [NSApp runModalForWindow:panel];

    const bool handedOver = response == NSModalResponseOK && HandOver(field);
    [panel endEditingFor:nil];
    [field setStringValue:@""];
    [panel orderOut:nil];
    [panel setDelegate:nil];
    [panel release];
    [NSApp setDelegate:nil];
    [responder release];
    [pool release];
    return handedOver ? EXIT_SUCCESS : EXIT_FAILURE;
}
