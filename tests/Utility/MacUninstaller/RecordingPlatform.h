// RecordingPlatform: a scripted UninstallerPlatform that records every call,
// in order, as one readable line such as "CopyItem(/a|/b)".
#ifndef QE_RECORDINGPLATFORM_H
#define QE_RECORDINGPLATFORM_H

#include "UninstallerPlatform.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class RecordingPlatform : public UninstallerPlatform {
public:
    // The script.
    std::deque<int> answers;                  // RunAlert results in turn, then kDefaultButton
    std::map<std::string, std::string> files; // auxiliary file name -> path
    // What `files` becomes once the rights are granted, when set.
    std::optional<std::map<std::string, std::string>> filesOnceGranted;
    std::string bundlePath = "/Apps/Uninstall.app";
    std::string temporaryDirectory = "/tmp/qe";
    std::string uniqueString = "U-1";
    // What the running bundle records as its original, and the files of it
    // that only root can change.
    std::optional<std::string> originalBundle;
    std::set<std::string> rootsAlone;
    bool createDirectoryResult = true, copyItemResult = true, recordResult = true,
         launchTaskResult = true;
    OSStatus createStatus = 0, copyRightsStatus = 0, executeStatus = 0;
    std::deque<std::string> toolOutput; // one chunk per read, then readEnd
    long readEnd = 0;
    int exitStatus = 0;

    // Every call; lookups, which change nothing, start with "?".
    std::vector<std::string> calls;

    std::vector<std::string> Actions() const {
        std::vector<std::string> out;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                     [](const std::string& call) { return call[0] != '?'; });
        return out;
    }

    int RunAlert(const std::string& title, const std::optional<std::string>& defaultButton,
                 const std::optional<std::string>& alternateButton,
                 const std::string& text) override {
        int answer = answers.empty() ? kDefaultButton : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return Record(answer, "RunAlert",
                      {title, defaultButton.value_or("-"), alternateButton.value_or("-"), text});
    }
    std::optional<std::string> PathForAuxiliaryExecutable(const std::string& name) override {
        auto found = files.find(name);
        return Record(found == files.end() ? std::nullopt : std::optional(found->second),
                      "?PathForAuxiliaryExecutable", {name});
    }
    std::string BundlePath() override { return Record(bundlePath, "?BundlePath"); }
    std::string TemporaryDirectory() override { return Record(temporaryDirectory, "?TempDir"); }
    std::string GloballyUniqueString() override { return Record(uniqueString, "?UniqueString"); }
    bool CreateDirectory(const std::string& path) override {
        return Record(createDirectoryResult, "CreateDirectory", {path});
    }
    bool CopyItem(const std::string& source, const std::string& destination) override {
        return Record(copyItemResult, "CopyItem", {source, destination});
    }
    bool RecordOriginalBundle(const std::string& copy, const std::string& original) override {
        return Record(recordResult, "RecordOriginalBundle", {copy, original});
    }
    std::optional<std::string> OriginalBundlePath() override {
        return Record(originalBundle, "?OriginalBundlePath");
    }
    bool IsRootsAlone(const std::string& path) override {
        return Record(rootsAlone.count(path) != 0, "?IsRootsAlone", {path});
    }
    bool LaunchTask(const std::string& path, const std::vector<std::string>& arguments) override {
        std::vector<std::string> parts = {path};
        parts.insert(parts.end(), arguments.begin(), arguments.end());
        return Record(launchTaskResult, "LaunchTask", parts);
    }
    void ActivateIgnoringOtherApps() override { Record(0, "ActivateIgnoringOtherApps"); }

    OSStatus AuthorizationCreate(AuthorizationFlags flags,
                                 AuthorizationRef* authorization) override {
        if (createStatus == 0)
            *authorization = issued = reinterpret_cast<AuthorizationRef>(&session);
        return Record(createStatus, "AuthorizationCreate", {std::to_string(flags)});
    }
    OSStatus AuthorizationCopyRights(AuthorizationRef authorization, const char* right,
                                     AuthorizationFlags flags) override {
        if (copyRightsStatus == 0 && filesOnceGranted)
            files = *filesOnceGranted;
        return Record(copyRightsStatus, "AuthorizationCopyRights",
                      {right, std::to_string(flags) + Check(authorization)});
    }
    OSStatus AuthorizationExecuteWithPrivileges(AuthorizationRef authorization,
                                                const char* toolPath, AuthorizationFlags flags,
                                                char* const* arguments,
                                                ToolOutput* output) override {
        std::vector<std::string> parts = {toolPath, std::to_string(flags) + Check(authorization)};
        for (char* const* argument = arguments; *argument != nullptr; ++argument)
            parts.push_back(*argument);
        if (executeStatus == 0)
            *output = ToolOutput{77, 4242};
        return Record(executeStatus, "AuthorizationExecuteWithPrivileges", parts);
    }
    long ReadToolOutput(const ToolOutput&, char* buffer, unsigned long size) override {
        Record(0, "ReadToolOutput", {std::to_string(size)});
        if (toolOutput.empty())
            return readEnd;
        unsigned long count = std::min<unsigned long>(size, toolOutput.front().size());
        std::memcpy(buffer, toolOutput.front().data(), count);
        toolOutput.pop_front();
        return static_cast<long>(count);
    }
    int ToolExitStatus(const ToolOutput&) override { return Record(exitStatus, "ToolExitStatus"); }
    OSStatus AuthorizationFree(AuthorizationRef authorization, AuthorizationFlags flags) override {
        return Record(0, "AuthorizationFree", {std::to_string(flags) + Check(authorization)});
    }

private:
    // Records "Name(part|part)", or the bare name without parts, and passes the result on.
    template <class T>
    T Record(const T& result, std::string call, const std::vector<std::string>& parts = {}) {
        for (size_t i = 0; i < parts.size(); ++i)
            call += (i == 0 ? "(" : "|") + parts[i];
        calls.push_back(parts.empty() ? call : call + ")");
        return result;
    }
    // Marks a reference that this platform never handed out.
    std::string Check(AuthorizationRef authorization) const {
        return authorization == issued ? "" : "|foreign-ref";
    }

    char session = 0;
    AuthorizationRef issued = nullptr;
};

#endif
