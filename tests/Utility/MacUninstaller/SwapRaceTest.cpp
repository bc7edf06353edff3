// The race between the bundle's copy and the privileged run, run for real:
// a racer of the same user swaps the copy's InstallUtility as soon as it
// appears. Against a bundle root installed where only root may write, phase 2
// runs root's own tool and the racer never wins; against a bundle the user
// owns it runs the copy's, the documented case.
#include "SwapRace.h"

#include <gtest/gtest.h>

namespace {

TEST(SwapRace, RacerWinsOnlyAgainstABundleTheUserOwns) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to install the bundle as root";
    const struct {
        const char* layout;
        bool userOwned;
        int runs;
        bool racerMayWin;
    } layouts[] = {{"root-owned", false, QE_RACE_RUNS, false},
                   {"user-owned", true, QE_RACE_RUNS / 10, true}};
    for (const auto& l : layouts) {
        SwapRace race(QE_CMAKE_COMMAND, QE_BINARY_DIR, QE_INSTALL_BUNDLEDIR);
        std::string error;
        if (!race.Install(error))
            GTEST_SKIP() << error;
        if (l.userOwned)
            race.GiveTo(1);
        const int won = race.Attempts(l.runs);
        if (l.racerMayWin)
            EXPECT_GT(won, 0) << l.layout;
        else
            EXPECT_EQ(won, 0) << l.layout;
        std::printf("%s bundle: the racer won %d of %d runs\n", l.layout, won, l.runs);
    }
}

} // namespace
