// The swap race between the bundle's copy and the privileged run: how often a
// racer of the same user gets its program run, per layout of the bundle.
#include "Bench.h"

#include "SwapRace.h"

#include <unistd.h>

bench::RaceFigures bench::MeasureSwapRace() {
    RaceFigures figures;
    if (geteuid() != 0) {
        figures.unavailable = "needs root to install the bundle as root";
        return figures;
    }
    for (const bool userOwned : {false, true}) {
        SwapRace race(QE_CMAKE_COMMAND, QE_BINARY_DIR, QE_INSTALL_BUNDLEDIR);
        if (!race.Install(figures.unavailable))
            return figures;
        if (userOwned)
            race.GiveTo(1);
        (userOwned ? figures.userOwnedWins : figures.rootOwnedWins) = race.Attempts(kRaceRuns);
    }
    return figures;
}
