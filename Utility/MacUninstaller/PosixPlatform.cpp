#include "PosixPlatform.h"

#include "BundleOrigin.h"
#include "ExecutableLocation.h"
#include "PrintableText.h"
#include "ProcessLibrary.h"
#include "RandomIdentifier.h"
#include "SystemCall.h"
#include "TrustedPath.h"

#include <csignal>
#include <cstdio>
#include <strings.h>
#include <unistd.h>
#include <utility>

namespace {

const char kStandardButton[] = "OK";

// ---- Terminal alerts ----

// An answer is a button's title; anything longer than this is not one, and
// is not kept however long it runs.
const std::size_t kMaxAnswerLength = 4096;

enum class AnswerLine { Read, TooLong, End };

// Reads one line byte by byte, so that a process started later with the same
// standard input finds the rest of it. A line longer than kMaxAnswerLength is
// read up to its newline, but only its start is kept, and it answers nothing.
AnswerLine ReadAnswerLine(std::string& line) {
    line.clear();
    bool readAny = false;
    bool tooLong = false;
    for (char c;;) {
        const ssize_t n = SystemCall::RetryOnEintr([&] { return read(STDIN_FILENO, &c, 1); });
        if (n <= 0 && !readAny)
            return AnswerLine::End;
        if (n <= 0 || c == '\n')
            return tooLong ? AnswerLine::TooLong : AnswerLine::Read;
        readAny = true;
        tooLong = tooLong || line.size() == kMaxAnswerLength;
        if (!tooLong)
            line += c;
    }
}

std::string TrimLine(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

bool SameTitle(const std::string& answer, const std::string& title) {
    return answer.size() == title.size() &&
           strncasecmp(answer.c_str(), title.c_str(), title.size()) == 0;
}

} // namespace

int PosixPlatform::RunAlert(const std::string& title,
                            const std::optional<std::string>& defaultButton,
                            const std::optional<std::string>& alternateButton,
                            const std::string& informativeText) {
    const std::string defaultTitle = defaultButton.value_or(kStandardButton);
    std::string buttons = "[" + PrintableText::Escaped(defaultTitle) + "]";
    if (alternateButton)
        buttons += " " + PrintableText::Escaped(*alternateButton);
    std::printf("\n%s\n%s\n", PrintableText::Escaped(title).c_str(),
                PrintableText::Escaped(informativeText).c_str());
    for (std::string line;;) {
        std::printf("%s ", buttons.c_str());
        std::fflush(stdout);
        const AnswerLine read = ReadAnswerLine(line);
        // A terminal shows what was typed; a transcript of piped answers should too.
        if (!isatty(STDIN_FILENO) || read == AnswerLine::End)
            std::printf("%s\n", PrintableText::Escaped(line).c_str());
        if (read == AnswerLine::End)
            return kDefaultButton;
        if (read == AnswerLine::TooLong)
            continue;
        const std::string answer = TrimLine(line);
        if (answer.empty() || SameTitle(answer, defaultTitle))
            return kDefaultButton;
        if (alternateButton && SameTitle(answer, *alternateButton))
            return kAlternateButton;
    }
}

std::optional<std::string> PosixPlatform::PathForAuxiliaryExecutable(const std::string& name) {
    return ExecutableLocation::RegularFileBeside(name);
}

std::string PosixPlatform::BundlePath() {
    return ExecutableLocation::BundleDirectory();
}

std::string PosixPlatform::TemporaryDirectory() {
    return PrivateFolder::TemporaryRoot();
}

std::string PosixPlatform::GloballyUniqueString() {
    return RandomIdentifier::Uuid();
}

bool PosixPlatform::CreateDirectory(const std::string& path) {
    return createdFolder.Create(path);
}

bool PosixPlatform::CopyItem(const std::string& source, const std::string& destination) {
    return createdFolder.CopyTree(source, destination);
}

bool PosixPlatform::RecordOriginalBundle(const std::string& copy, const std::string& original) {
    return BundleOrigin::Record(copy, original);
}

std::optional<std::string> PosixPlatform::OriginalBundlePath() {
    return BundleOrigin::Read(BundlePath());
}

bool PosixPlatform::IsRootsAlone(const std::string& path) {
    return TrustedPath::IsRootsAlone(path);
}

bool PosixPlatform::LaunchTask(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<std::string> command{path};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return launchedTasks.Launch(command);
}

void PosixPlatform::KeepTerminalForLaunchedTasks() {
    launchedTasks.WaitForTerminalTasks();
}

PosixPlatform::PosixPlatform(std::string privilegeTool) : rights({std::move(privilegeTool)}) {
    // Children are waited for, so their exits must not be discarded; and a
    // write to a pipe whose reader went away fails with EPIPE instead of
    // ending this process with SIGPIPE.
    signal(SIGCHLD, SIG_DFL);
    signal(SIGPIPE, SIG_IGN);
    ProcessLibrary::KeepInheritedDescriptorsFromChildren();
}

PosixPlatform::~PosixPlatform() = default;

void PosixPlatform::ActivateIgnoringOtherApps() {
    // A terminal program is in front already.
}

OSStatus PosixPlatform::AuthorizationCreate(AuthorizationFlags, AuthorizationRef* authorization) {
    return rights.Create(authorization);
}

OSStatus PosixPlatform::AuthorizationCopyRights(AuthorizationRef authorization, const char* right,
                                                AuthorizationFlags flags) {
    return rights.CopyRights(authorization, right, flags);
}

OSStatus PosixPlatform::AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                           const char* toolPath, AuthorizationFlags,
                                                           char* const* arguments,
                                                           ToolOutput* output) {
    return rights.ExecuteWithPrivileges(authorization, toolPath, arguments, output);
}

long PosixPlatform::ReadToolOutput(const ToolOutput& output, char* buffer, unsigned long size) {
    return rights.ReadToolOutput(output, buffer, size);
}

int PosixPlatform::ToolExitStatus(const ToolOutput& output) {
    return rights.ToolExitStatus(output);
}

OSStatus PosixPlatform::AuthorizationFree(AuthorizationRef authorization,
                                          AuthorizationFlags flags) {
    return rights.Free(authorization, flags);
}
