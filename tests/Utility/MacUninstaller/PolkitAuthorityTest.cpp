#include "PolkitAuthority.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A pkcheck standing in for polkit's: it writes its arguments, each ended by
// '|', to `folder`/log, prints what pkcheck prints, and exits with `status`.
std::string RecordingCheck(const std::string& folder, int status) {
    const std::string path = folder + "/pkcheck";
    std::ofstream(path) << "#!/bin/sh\nprintf '%s|' \"$@\" >'" << folder
                        << "/log'\necho 'polkit\\56retains_authorization_after_challenge=1'\n"
                        << "echo 'Not authorized.' >&2\nexit " << status << "\n";
    chmod(path.c_str(), 0755);
    return path;
}

std::string Log(const std::string& folder) {
    std::ifstream log(folder + "/log");
    return std::string(std::istreambuf_iterator<char>(log), {});
}

} // namespace

TEST(PolkitAuthority, AnswersFromPkcheckAskingForThisProcessThroughTheAgentOnlyWhenAllowed) {
    using Answer = PolkitAuthority::Answer;
    const std::string asked =
        "--action-id|com.qe.suite.uninstall|--process|" + std::to_string(getpid()) + "|";
    const std::string interacting = asked + "--allow-user-interaction|";
    const struct {
        const char* name;
        int status;
        bool interactionAllowed;
        Answer answer;
        std::string log;
    } cases[] = {{"authorized", 0, true, Answer::Granted, interacting},
                 {"authorized without asking", 0, false, Answer::Granted, asked},
                 {"not authorized", 1, true, Answer::Refused, interacting},
                 {"no agent", 2, true, Answer::NotAsked, interacting},
                 {"authentication needed, no asking", 2, false, Answer::NotAsked, asked},
                 {"dialog dismissed", 3, true, Answer::Refused, interacting},
                 {"polkit failed", 4, true, Answer::NotAsked, interacting},
                 {"no system bus", 126, true, Answer::NotAsked, interacting},
                 {"action unknown", 127, true, Answer::NotAsked, interacting},
                 {"killed", 128 + 9, true, Answer::NotAsked, interacting}};
    for (const auto& c : cases) {
        const std::string folder = MakeScratchFolder("qe-polkit");
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const PolkitAuthority polkit(RecordingCheck(folder, c.status));
        const Answer answer = polkit.Ask(c.interactionAllowed);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.name;
        EXPECT_EQ(answer, c.answer) << c.name;
        EXPECT_EQ(Log(folder), c.log) << c.name;
        std::filesystem::remove_all(folder);
    }
}

TEST(PolkitAuthority, WithoutPkcheckNobodyIsAsked) {
    const PolkitAuthority polkit("/nonexistent/pkcheck", "/nonexistent/pkexec");
    EXPECT_EQ(polkit.Ask(true), PolkitAuthority::Answer::NotAsked);
    EXPECT_EQ(polkit.ExecProgram(), "/nonexistent/pkexec");
}
