// What the benchmark sources share: registration of each area's benchmarks,
// the names the table reads their timings under, and starting a program with
// its output on a pipe.
#ifndef QE_BENCH_H
#define QE_BENCH_H

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace bench {

/// The names the table reads timings under; the load benchmarks' come from
/// LoadName.
constexpr char kIndexOf[] = "string/IndexOf";
constexpr char kIndexOfReference[] = "string/string_view::find";
constexpr char kReplace16[] = "string/Replace/16MiB";
constexpr char kReplace32[] = "string/Replace/32MiB";
constexpr char kReplaceReference[] = "string/reserve+append/16MiB";
constexpr char kSplit1[] = "string/Split/1MiB";
constexpr char kSplit2[] = "string/Split/2MiB";
constexpr char kTrim1[] = "string/Trim/1MiB";
constexpr char kTrim2[] = "string/Trim/2MiB";
constexpr char kFromString1[] = "bitset/fromString/1MiB";
constexpr char kFromString2[] = "bitset/fromString/2MiB";
constexpr char kContains4[] = "bitset/Contains/4Mbit";
constexpr char kContains8[] = "bitset/Contains/8Mbit";
constexpr char kStartUninstall[] = "start/Uninstall";
constexpr char kStartEcho[] = "start/echo";
constexpr char kStartDesktop[] = "start/Uninstall/desktop";

/// The input sizes behind those names.
constexpr unsigned long kMiB = 1024UL * 1024UL;
constexpr unsigned long kSearchBytes = 16 * kMiB;
constexpr unsigned long kNeedleBytes = 16;
constexpr unsigned long kReplaceBytes = 16 * kMiB;
constexpr unsigned long kReplaceMatches = 1000000;
constexpr unsigned long kListBytes = 1 * kMiB;
constexpr unsigned long kMaskDigits = 1 * kMiB;
/// The confirmation alert ends with its buttons: all of it has been read then.
constexpr char kConfirmationEnd[] = "[Cancel] Uninstall";
constexpr int kStartRuns = 21;

/// Sizes the definitions are generated at, as multiples of the base shape.
constexpr int kDefinitionScales[] = {1, 2, 4};

/// The benchmark name of a definition load at one scale: `reader` is "sku"
/// (SKUDefinition::fromFile) or "tinyxml" (the library's own LoadFile).
std::string LoadName(const std::string& reader, int scale);

/// Writes the generated definition at `scale` to `path`; its size in bytes,
/// or -1 when it could not be written.
long WriteDefinition(const std::string& path, int scale);

/// Registers the load benchmarks for the definitions at `paths` (one per
/// scale, in kDefinitionScales order), after checking that each reads whole.
void RegisterDefinitionBenchmarks(const std::vector<std::string>& paths);

/// The benchmark name of fromFile on a definition whose every element holds
/// as many attributes as the reader keeps, and about how large it is made.
constexpr char kLoadAttributeLimit[] = "load/sku/attribute-limit";
constexpr long kAttributeLimitBytes = 3000000;

/// Writes that definition to `path`; its size in bytes, or -1 when it could
/// not be written.
long WriteAttributeLimitDefinition(const std::string& path);

/// Registers its load, after checking that every attribute is read.
void RegisterAttributeLimitBenchmark(const std::string& path);

/// Loads in fresh processes, as a program loads its definition once, in
/// kFreshLoadRuns alternated runs per reader: the best time of the call alone
/// (the file opened, read and parsed; for fromFile its own document freed
/// too) and the median growth of the resident set's high-water mark.
/// Negative when they cannot be measured.
struct FreshLoadFigures {
    double skuSeconds = -1;
    double librarySeconds = -1;
    /// The best of the load and destroying its result, together.
    double skuWithDestroySeconds = -1;
    double libraryWithDestroySeconds = -1;
    long skuPeakKiB = -1;
    long libraryPeakKiB = -1;
};
constexpr int kFreshLoadRuns = 15;
FreshLoadFigures MeasureFreshLoads(const std::string& path);

/// The child side of MeasureFreshLoads: one load with `reader` ("sku" or
/// "tinyxml"), printing its seconds and KiB. The exit status of the process.
int RunFreshLoadChild(const std::string& reader, const std::string& path);

/// The byte string, split and trim, and bit set benchmarks, after checking
/// that each measured operation gives its reference's result.
void RegisterStringBenchmarks();

/// The uninstaller start benchmark and the plain process start beside it.
void RegisterStartBenchmarks(const std::string& uninstallPath);

/// The uninstaller's start on a desktop, in kDesktopStartRuns runs: from
/// starting the program under an X server of its own (Xvfb, on the first free
/// display from :90) until its confirmation window is mapped with its title.
/// The server and what the program started end with this object.
constexpr int kDesktopStartRuns = 11;
class DesktopStart {
public:
    /// Starts the server and registers the benchmark, after one uncounted
    /// start; Unavailable() tells when it could not.
    explicit DesktopStart(const std::string& uninstallPath);
    DesktopStart(const DesktopStart&) = delete;
    DesktopStart& operator=(const DesktopStart&) = delete;
    ~DesktopStart();

    /// Why the benchmark is not registered ("Xvfb missing"); empty when it is.
    const std::string& Unavailable() const { return unavailable; }

private:
    struct Session;
    std::unique_ptr<Session> session;
    std::string unavailable;
};

/// A started program: its id, and the read end of a pipe on its output.
struct Started {
    pid_t pid = -1;
    int output = -1;
};

/// Removing an installed product of kRemovalFiles files (bundles of
/// kBundleFiles files in containers), in kRemovalRuns runs on fresh trees: the
/// best time of InstallUtility, of `rm -rf` on an identical tree, and of the
/// tool's dry run, and the tool's largest peak resident set. Negative when
/// they cannot be measured.
constexpr int kBundleFiles = 25;
constexpr int kRemovalFiles = 50000;
constexpr int kRemovalRuns = 5;
struct RemovalFigures {
    double toolSeconds = -1;
    double rmSeconds = -1;
    double dryRunSeconds = -1;
    long toolPeakKiB = -1;
};
/// Works in `folder`, with the tool at `installUtility`.
RemovalFigures MeasureRemoval(const std::string& folder, const std::string& installUtility);

/// The swap race, in kRaceRuns uninstalls per layout from a bundle that
/// cmake --install put where only root may write: how many a racer of the
/// same user won by swapping the copy's InstallUtility, with that bundle as
/// root installed it and once given to a user. Negative when not measured,
/// and `unavailable` says why.
constexpr int kRaceRuns = 200;
struct RaceFigures {
    int rootOwnedWins = -1;
    int userOwnedWins = -1;
    std::string unavailable;
};
RaceFigures MeasureSwapRace();

/// The tool on definitions nested kDeepLevels folders deep with names of
/// kDeepNameBytes bytes around their files, the target folder there but not
/// the tree, and the target absent: kDeepFiles files (the 3.7 MB definition
/// that once made the plan hold 30 GB of paths, now refused by the reader's
/// limit on the depths added up) and kDeepFilesAccepted (within it). For each
/// case the best time of kDeepRuns runs and the largest peak resident set,
/// of the dry run and of the real run; negative when not measured.
constexpr int kDeepLevels = 990;
constexpr int kDeepNameBytes = 200;
constexpr int kDeepFiles = 150000;
constexpr int kDeepFilesAccepted = 30000;
constexpr int kDeepRuns = 5;
struct DeepRun {
    double seconds = -1;
    long peakKiB = -1;
};
struct DeepFigures {
    long bytes = -1;
    int status = -1;
    DeepRun dryRun, removal, dryRunAbsent, removalAbsent;
};
/// Works in `folder`; `files` is kDeepFiles or kDeepFilesAccepted.
DeepFigures MeasureDeepDefinition(const std::string& folder, const std::string& installUtility,
                                  int files);

/// Starts `arguments[0]` (a path) with standard input from /dev/null and
/// standard output on a pipe; standard error is kept unless `quiet`. A pid of
/// -1 when it cannot be started.
Started Start(const std::vector<std::string>& arguments, bool quiet);

/// Waits for a started program after closing its pipe; its exit status, or
/// -1 when it did not exit normally. `peakKiB`, when given, gets the peak
/// resident set of the program.
int Finish(Started& started, long* peakKiB = nullptr);

} // namespace bench

#endif
