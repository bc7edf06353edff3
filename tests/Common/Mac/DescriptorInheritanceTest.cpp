#include "DescriptorInheritance.h"

#include "Descriptor.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool ClosedOnExec(int descriptor) {
    const int flags = fcntl(descriptor, F_GETFD);
    return flags >= 0 && (flags & FD_CLOEXEC) != 0;
}

// A descriptor handed down without close-on-exec, as a caller's may be.
Descriptor Inherited() {
    return Descriptor(open("/dev/null", O_RDONLY));
}

// Runs `steps` in a child process, so that what they change of this
// process's limits stays there; whether they returned true.
template <class Steps> bool InChild(Steps steps) {
    const pid_t child = fork();
    if (child == 0)
        _exit(steps() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class DescriptorListing : public ::testing::Test {
protected:
    ~DescriptorListing() override { std::filesystem::remove_all(folder); }
    std::string folder = MakeScratchFolder("qe-descriptors");
};

} // namespace

TEST(DescriptorInheritancePipe, BothEndsAreClosedOnExecAndCarryData) {
    int ends[2];
    ASSERT_TRUE(DescriptorInheritance::OpenPipe(ends));
    const Descriptor readEnd(ends[0]), writeEnd(ends[1]);
    EXPECT_TRUE(ClosedOnExec(ends[0]));
    EXPECT_TRUE(ClosedOnExec(ends[1]));
    char byte = 0;
    ASSERT_EQ(write(ends[1], "x", 1), 1);
    ASSERT_EQ(read(ends[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'x');
}

// Another thread keeps making pipes while programs are started: none of them
// may get an end, even one made in the very moment of its fork.
TEST(DescriptorInheritancePipe, ProgramStartedWhilePipesAreMadeGetsNoEnd) {
    DescriptorInheritance::MarkInheritedCloseOnExec();
    std::atomic<bool> done{false};
    std::thread maker([&] {
        while (!done) {
            int ends[2];
            if (DescriptorInheritance::OpenPipe(ends)) {
                close(ends[0]);
                close(ends[1]);
            }
        }
    });
    int withMore = 0;
    for (int run = 0; run < 50; ++run) {
        // ls lists its own descriptors, the one it reads them through (3) included.
        const ToolRun listed = RunTool({"/bin/ls", "/dev/fd"});
        withMore += listed.status == 0 && listed.out == "0\n1\n2\n3\n" ? 0 : 1;
    }
    done = true;
    maker.join();
    EXPECT_EQ(withMore, 0) << "of 50 programs got more than the standard descriptors";
}

TEST_F(DescriptorListing, MarksWhatItNamesOnlyWhenItListsThisProcess) {
    const Descriptor inherited = Inherited();
    const std::string number = std::to_string(inherited.Get());
    std::filesystem::create_directory(folder + "/empty");
    std::filesystem::create_directory(folder + "/forged");
    for (const std::string& name : {std::string("0"), std::string("1"), number})
        std::ofstream(folder + "/forged/" + name);
    struct Case {
        const char* what;
        std::string listing;
        bool listed;
    };
    const Case cases[] = {{"this process's own listing", "/dev/fd", true},
                          {"an empty folder", folder + "/empty", false},
                          {"a folder naming it, but not its reader", folder + "/forged", false},
                          {"no folder", folder + "/missing", false}};
    for (const Case& c : cases) {
        fcntl(inherited.Get(), F_SETFD, 0);
        EXPECT_EQ(DescriptorInheritance::MarkListedCloseOnExec(c.listing.c_str()), c.listed)
            << c.what;
        EXPECT_EQ(ClosedOnExec(inherited.Get()), c.listed) << c.what;
    }
}

TEST(DescriptorInheritanceMarks, EveryDescriptorBelowTheLimitAndNoStandardOne) {
    const Descriptor below = Inherited(), at = Inherited();
    const int standardFlags = fcntl(STDERR_FILENO, F_GETFD);
    DescriptorInheritance::MarkCloseOnExecBelow(at.Get());
    EXPECT_TRUE(ClosedOnExec(below.Get()));
    EXPECT_FALSE(ClosedOnExec(at.Get()));
    EXPECT_EQ(fcntl(STDERR_FILENO, F_GETFD), standardFlags);
}

// A descriptor opened before the soft limit was lowered below it is still
// this process's, and still marked, whichever way the descriptors are found.
TEST(DescriptorInheritanceMarks, DescriptorAboveALoweredSoftLimitIsMarked) {
    struct Case {
        const char* what;
        void (*mark)();
    };
    const Case cases[] = {{"through the listing", DescriptorInheritance::MarkInheritedCloseOnExec},
                          {"below the limit", [] {
                               DescriptorInheritance::MarkCloseOnExecBelow(
                                   DescriptorInheritance::DescriptorLimit());
                           }}};
    for (const Case& c : cases) {
        EXPECT_TRUE(InChild([&] {
            const int high = 200;
            struct rlimit limit;
            if (dup2(Inherited().Get(), high) != high || getrlimit(RLIMIT_NOFILE, &limit) != 0)
                return false;
            limit.rlim_cur = 64;
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
                return false;
            c.mark();
            return ClosedOnExec(high);
        })) << c.what;
    }
}
