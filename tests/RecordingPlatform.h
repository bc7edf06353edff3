// RecordingPlatform: a scripted UninstallerPlatform that records every call,
// in order, as one readable line such as "CopyItem(/a|/b)".
#ifndef QE_RECORDINGPLATFORM_H
#define QE_RECORDINGPLATFORM_H

#include "UninstallerPlatform.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

class RecordingPlatform : public UninstallerPlatform {
public:
    // The script.
    std::deque<int> answers;                  // RunAlert results in turn, then kDefaultButton
    std::map<std::string, std::string> files; // auxiliary file name -> path
    std::string bundlePath = "/Apps/Uninstall.app";
    std::string temporaryDirectory = "/tmp/qe";
    std::string uniqueString = "U-1";
    bool createDirectoryResult = true, copyItemResult = true, launchTaskResult = true;
    OSStatus createStatus = 0, copyRightsStatus = 0, executeStatus = 0;
    std::deque<std::string> toolOutput; // one chunk per read, then readEnd
    long readEnd = 0;
    int exitStatus = 0;

    std::vector<std::string> calls;

    // The calls without the lookups, which change nothing.
    std::vector<std::string> Actions() const {
        std::vector<std::string> out;
        for (const std::string& call : calls)
            if (call.rfind("Query:", 0) != 0)
                out.push_back(call);
        return out;
    }

    int RunAlert(const std::string& title, const std::optional<std::string>& defaultButton,
                 const std::optional<std::string>& alternateButton,
                 const std::string& informativeText) override {
        Log("RunAlert",
            {title, defaultButton.value_or("-"), alternateButton.value_or("-"), informativeText});
        int answer = answers.empty() ? kDefaultButton : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    std::optional<std::string> PathForAuxiliaryExecutable(const std::string& name) override {
        Log("Query:PathForAuxiliaryExecutable", {name});
        auto found = files.find(name);
        return found == files.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    std::string BundlePath() override {
        Log("Query:BundlePath");
        return bundlePath;
    }
    std::string TemporaryDirectory() override {
        Log("Query:TemporaryDirectory");
        return temporaryDirectory;
    }
    std::string GloballyUniqueString() override {
        Log("Query:GloballyUniqueString");
        return uniqueString;
    }
    bool CreateDirectory(const std::string& path) override {
        Log("CreateDirectory", {path});
        return createDirectoryResult;
    }
    bool CopyItem(const std::string& source, const std::string& destination) override {
        Log("CopyItem", {source, destination});
        return copyItemResult;
    }
    bool LaunchTask(const std::string& path, const std::vector<std::string>& arguments) override {
        std::vector<std::string> parts = {path};
        parts.insert(parts.end(), arguments.begin(), arguments.end());
        Log("LaunchTask", parts);
        return launchTaskResult;
    }
    void ActivateIgnoringOtherApps() override { Log("ActivateIgnoringOtherApps"); }

    OSStatus AuthorizationCreate(AuthorizationFlags flags,
                                 AuthorizationRef* authorization) override {
        Log("AuthorizationCreate", {std::to_string(flags)});
        if (createStatus == 0)
            *authorization = issued = reinterpret_cast<AuthorizationRef>(&session);
        return createStatus;
    }
    OSStatus AuthorizationCopyRights(AuthorizationRef authorization, const char* right,
                                     AuthorizationFlags flags) override {
        return Log("AuthorizationCopyRights",
                   Checked(authorization, {right, std::to_string(flags)})),
               copyRightsStatus;
    }
    OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                const char* toolPath, AuthorizationFlags flags,
                                                char* const* arguments,
                                                ToolOutput* output) override {
        std::vector<std::string> parts = {toolPath, std::to_string(flags)};
        for (char* const* argument = arguments; *argument != nullptr; ++argument)
            parts.push_back(*argument);
        Log("AuthorizationExecuteWithPrivileges", Checked(authorization, parts));
        if (executeStatus == 0)
            *output = ToolOutput{kDescriptor, 4242};
        return executeStatus;
    }
    long ReadToolOutput(const ToolOutput& output, char* buffer, unsigned long size) override {
        Log("ReadToolOutput", Checked(output, {std::to_string(size)}));
        if (toolOutput.empty()) {
            // A flow that reads on after the end would otherwise hang.
            if (++readsAfterEnd > 3)
                throw std::runtime_error("reading on after the end of the tool's output");
            return readEnd;
        }
        std::string chunk = toolOutput.front();
        toolOutput.pop_front();
        unsigned long count = std::min<unsigned long>(size, chunk.size());
        std::memcpy(buffer, chunk.data(), count);
        return static_cast<long>(count);
    }
    int ToolExitStatus(const ToolOutput& output) override {
        Log("ToolExitStatus", Checked(output, {}));
        return exitStatus;
    }
    OSStatus AuthorizationFree(AuthorizationRef authorization, AuthorizationFlags flags) override {
        Log("AuthorizationFree", Checked(authorization, {std::to_string(flags)}));
        return 0;
    }

private:
    static constexpr int kDescriptor = 77;

    // "Name(part|part)", or the bare name without parts.
    void Log(std::string call, const std::vector<std::string>& parts = {}) {
        for (size_t i = 0; i < parts.size(); ++i)
            call += (i == 0 ? "(" : "|") + parts[i];
        calls.push_back(parts.empty() ? call : call + ")");
    }
    // Marks a reference or an output that this platform never handed out.
    std::vector<std::string> Checked(AuthorizationRef authorization,
                                     std::vector<std::string> parts) const {
        if (authorization != issued)
            parts.push_back("foreign-ref");
        return parts;
    }
    std::vector<std::string> Checked(const ToolOutput& output,
                                     std::vector<std::string> parts) const {
        if (output.descriptor != kDescriptor)
            parts.push_back("foreign-output");
        return parts;
    }

    char session = 0;
    AuthorizationRef issued = nullptr;
    int readsAfterEnd = 0;
};

#endif
