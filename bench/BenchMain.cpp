// QeBench: runs every benchmark and prints one table, each figure a ratio
// against a reference measured in the same run, with its target.
//
//   QeBench [benchmark options]      the table on standard output
//   QeBench --fresh-load READER FILE   (internal) one load's time and memory

#include "Bench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sched.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using bench::kDefinitionScales;

// Per-iteration seconds of every repetition, by benchmark name.
class Collector : public benchmark::BenchmarkReporter {
public:
    std::map<std::string, std::vector<double>> seconds;
    std::vector<std::string> errors;

    bool ReportContext(const Context&) override { return true; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            const std::string& name = run.run_name.function_name;
            if (run.error_occurred)
                errors.push_back(name + ": " + run.error_message);
            else if (run.iterations > 0)
                seconds[name].push_back(run.real_accumulated_time /
                                        static_cast<double>(run.iterations));
            if (showProgress)
                std::fputc('.', stderr);
        }
    }

    // Repetitions run interleaved, so every one saw the same machine; the
    // best of them is the least disturbed.
    double Best(const std::string& name) const {
        const auto found = seconds.find(name);
        if (found == seconds.end() || found->second.empty())
            return NAN;
        return *std::min_element(found->second.begin(), found->second.end());
    }

    double Median(const std::string& name) const {
        const auto found = seconds.find(name);
        if (found == seconds.end() || found->second.empty())
            return NAN;
        std::vector<double> sorted = found->second;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }

    bool showProgress = isatty(STDERR_FILENO) != 0;
};

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Time(double seconds) {
    if (std::isnan(seconds))
        return "-";
    if (seconds < 1e-3)
        return Format("%.1f us", seconds * 1e6);
    if (seconds < 1)
        return Format("%.2f ms", seconds * 1e3);
    return Format("%.3f s", seconds);
}

std::string Rate(double seconds, double bits) {
    if (std::isnan(seconds))
        return "-";
    return Time(seconds) + Format(", %.0f Mbit/s", bits / seconds / 1e6);
}

std::string Megabytes(double bytes) {
    return bytes < 0 ? "-" : Format("%.1f MB", bytes / 1e6);
}

struct Row {
    std::string figure;
    std::string measured;
    std::string reference;
    std::string ratio;
    std::string target;
    std::string result;
};

class Table {
public:
    // A figure held to `measured / reference <= limit`.
    void Ratio(const std::string& figure, const std::string& measuredText,
               const std::string& referenceText, double measured, double reference, double limit) {
        const double ratio = measured / reference;
        const bool known = std::isfinite(ratio) && measured > 0 && reference > 0;
        rows.push_back({figure, measuredText, referenceText, known ? Format("%.2fx", ratio) : "-",
                        Format("<= %.2fx", limit),
                        !known           ? "NOT RUN"
                        : ratio <= limit ? "PASS"
                                         : "MISS"});
    }

    // A ratio shown to explain another; no target of its own.
    void Info(const std::string& figure, const std::string& measuredText,
              const std::string& referenceText, double ratio) {
        rows.push_back({figure, measuredText, referenceText,
                        std::isfinite(ratio) ? Format("%.2fx", ratio) : "-", "(info)", ""});
    }

    void Add(Row row) { rows.push_back(std::move(row)); }

    void Print() const {
        const Row header{"Figure", "Measured", "Reference", "Ratio", "Target", "Result"};
        std::vector<std::size_t> width(6, 0);
        auto measure = [&](const Row& r) {
            const std::string* cells[] = {&r.figure, &r.measured, &r.reference,
                                          &r.ratio,  &r.target,   &r.result};
            for (std::size_t i = 0; i < 6; ++i)
                width[i] = std::max(width[i], cells[i]->size());
        };
        measure(header);
        for (const Row& row : rows)
            measure(row);
        auto print = [&](const Row& r) {
            char line[1024];
            std::snprintf(line, sizeof line, "%-*s  %-*s  %-*s  %*s  %-*s  %s",
                          static_cast<int>(width[0]), r.figure.c_str(), static_cast<int>(width[1]),
                          r.measured.c_str(), static_cast<int>(width[2]), r.reference.c_str(),
                          static_cast<int>(width[3]), r.ratio.c_str(), static_cast<int>(width[4]),
                          r.target.c_str(), r.result.c_str());
            std::string text = line;
            text.erase(text.find_last_not_of(' ') + 1);
            std::printf("%s\n", text.c_str());
        };
        print(header);
        std::size_t total = 10;
        for (std::size_t w : width)
            total += w;
        std::printf("%s\n", std::string(total, '-').c_str());
        for (const Row& row : rows)
            print(row);
    }

private:
    std::vector<Row> rows;
};

int CoreCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return CPU_COUNT(&set);
    return static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
}

// The generated definitions live in a private folder removed at the end.
struct Workspace {
    std::string folder;
    std::vector<std::string> files;
    std::vector<long> sizes;
    std::string attributeLimitFile;
    long attributeLimitSize = -1;

    bool Create() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/qebench.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            return false;
        folder = pattern;
        for (int scale : kDefinitionScales) {
            files.push_back(folder + "/sku-" + std::to_string(scale) + "x.xml");
            sizes.push_back(bench::WriteDefinition(files.back(), scale));
            if (sizes.back() < 0)
                return false;
        }
        attributeLimitFile = folder + "/sku-attributes.xml";
        attributeLimitSize = bench::WriteAttributeLimitDefinition(attributeLimitFile);
        return attributeLimitSize >= 0;
    }

    ~Workspace() {
        for (const std::string& file : files)
            unlink(file.c_str());
        if (!attributeLimitFile.empty())
            unlink(attributeLimitFile.c_str());
        if (!folder.empty())
            rmdir(folder.c_str());
    }
};

void Progress(const char* text) {
    std::fprintf(stderr, "%s\n", text);
}

void AddDefinitionRows(Table& table, const Collector& runs, const Workspace& workspace,
                       const bench::FreshLoadFigures& fresh) {
    using bench::LoadName;
    table.Ratio("Load " + Megabytes(static_cast<double>(workspace.sizes[0])) +
                    " sku.xml, fresh process: fromFile / TinyXML LoadFile",
                Time(fresh.skuSeconds), Time(fresh.librarySeconds), fresh.skuSeconds,
                fresh.librarySeconds, 1.3);
    table.Ratio("Peak RSS growth of that load: fromFile / LoadFile",
                Megabytes(static_cast<double>(fresh.skuPeakKiB) * 1024),
                Megabytes(static_cast<double>(fresh.libraryPeakKiB) * 1024),
                static_cast<double>(fresh.skuPeakKiB), static_cast<double>(fresh.libraryPeakKiB),
                1.2);
    table.Info("The same load and destroying its result: fromFile / LoadFile",
               Time(fresh.skuWithDestroySeconds), Time(fresh.libraryWithDestroySeconds),
               fresh.skuWithDestroySeconds / fresh.libraryWithDestroySeconds);
    const double sku1 = runs.Best(LoadName("sku", 1));
    const double library1 = runs.Best(LoadName("tinyxml", 1));
    table.Info("Repeated in one process, result destroyed: fromFile / LoadFile", Time(sku1),
               Time(library1), sku1 / library1);
    for (std::size_t i = 1; i < workspace.sizes.size(); ++i) {
        const int scale = kDefinitionScales[i];
        const double sku = runs.Best(LoadName("sku", scale));
        table.Ratio("fromFile at " + std::to_string(scale) + "x (" +
                        Megabytes(static_cast<double>(workspace.sizes[i])) + ") / at 1x",
                    Time(sku), Time(sku1), sku, sku1, scale == 2 ? 2.3 : 4.5);
    }
    // Per byte: the quadratic check of each attribute against the earlier
    // ones, at the limit, against a definition of the usual shape.
    const double attributes = runs.Best(bench::kLoadAttributeLimit);
    table.Ratio("fromFile per byte, every element at the attribute limit (" +
                    Megabytes(static_cast<double>(workspace.attributeLimitSize)) + ") / at 1x",
                Time(attributes), Time(sku1),
                attributes / static_cast<double>(workspace.attributeLimitSize),
                sku1 / static_cast<double>(workspace.sizes[0]), 3.0);
    const int largest = kDefinitionScales[workspace.sizes.size() - 1];
    const double library = runs.Best(LoadName("tinyxml", largest));
    table.Info("TinyXML LoadFile alone at " + std::to_string(largest) + "x / at 1x", Time(library),
               Time(library1), library / library1);
}

void AddStringRows(Table& table, const Collector& runs) {
    using namespace bench;
    const double indexOf = runs.Best(kIndexOf);
    const double find = runs.Best(kIndexOfReference);
    table.Ratio("IndexOf 16 B at the end of 16 MiB / string_view::find", Time(indexOf), Time(find),
                indexOf, find, 1.5);
    const double replace16 = runs.Best(kReplace16);
    const double replace32 = runs.Best(kReplace32);
    const double reference = runs.Best(kReplaceReference);
    table.Ratio("Replace \\n by \\r\\n in 16 MiB, 10^6 matches / reserve+append", Time(replace16),
                Time(reference), replace16, reference, 2.0);
    table.Ratio("Replace in 32 MiB, 2x10^6 matches / in 16 MiB", Time(replace32), Time(replace16),
                replace32, replace16, 2.3);
    const double split1 = runs.Best(kSplit1);
    const double split2 = runs.Best(kSplit2);
    table.Ratio("Split of a 2 MiB \";\" list / of 1 MiB", Time(split2), Time(split1), split2,
                split1, 2.3);
    const double trim1 = runs.Best(kTrim1);
    const double trim2 = runs.Best(kTrim2);
    table.Ratio("Trim of 2 MiB of white space / of 1 MiB", Time(trim2), Time(trim1), trim2, trim1,
                2.3);
}

void AddBitSetRows(Table& table, const Collector& runs) {
    using namespace bench;
    const double bits = 4.0 * kMaskDigits;
    const double from1 = runs.Best(kFromString1);
    const double from2 = runs.Best(kFromString2);
    table.Ratio("QeBitSet::fromString of a 2 MiB mask / of 1 MiB", Rate(from2, 2 * bits),
                Rate(from1, bits), from2, from1, 2.3);
    const double contains4 = runs.Best(kContains4);
    const double contains8 = runs.Best(kContains8);
    table.Ratio("QeBitSet::Contains of 8 Mbit sets / of 4 Mbit", Rate(contains8, 2 * bits),
                Rate(contains4, bits), contains8, contains4, 2.3);
}

void AddRemovalRows(Table& table, const bench::RemovalFigures& removal) {
    table.Ratio("Remove a product of " + std::to_string(bench::kRemovalFiles) + " files in " +
                    std::to_string(bench::kBundleFiles) + "-file bundles: InstallUtility / rm -rf",
                Time(removal.toolSeconds), Time(removal.rmSeconds), removal.toolSeconds,
                removal.rmSeconds, 1.3);
    table.Ratio("Its dry run / its removal", Time(removal.dryRunSeconds), Time(removal.toolSeconds),
                removal.dryRunSeconds, removal.toolSeconds, 0.1);
    table.Add({"Peak RSS of InstallUtility removing it",
               removal.toolPeakKiB < 0 ? "-" : Megabytes(removal.toolPeakKiB * 1024.0), "", "",
               "(info)", ""});
}

std::string TimeAndPeak(const bench::DeepRun& run) {
    if (run.seconds < 0)
        return "-";
    return Time(run.seconds) + ", " + Megabytes(static_cast<double>(run.peakKiB) * 1024);
}

// Against the targets themselves: under 2 s and 256 MB, dry run and real run.
void AddDeepRow(Table& table, const std::string& figure, const bench::DeepRun& dryRun,
                const bench::DeepRun& removal) {
    const bool known = dryRun.seconds >= 0 && removal.seconds >= 0;
    const bool within = std::max(dryRun.seconds, removal.seconds) < 2 &&
                        std::max(dryRun.peakKiB, removal.peakKiB) * 1024.0 < 256e6;
    table.Add({figure, TimeAndPeak(dryRun), TimeAndPeak(removal), "-", "< 2 s, 256 MB",
               !known   ? "NOT RUN"
               : within ? "PASS"
                        : "MISS"});
}

void AddDeepRows(Table& table, const bench::DeepFigures& refused,
                 const bench::DeepFigures& accepted) {
    const std::string shape = std::to_string(bench::kDeepLevels) + " folders deep, ";
    const std::string refusedShape = "InstallUtility, " +
                                     Megabytes(static_cast<double>(refused.bytes)) + " " + shape +
                                     std::to_string(bench::kDeepFiles) + " files (refused)";
    AddDeepRow(table, refusedShape + ": dry run / removal", refused.dryRun, refused.removal);
    AddDeepRow(table, "  the same, target absent", refused.dryRunAbsent, refused.removalAbsent);
    const std::string acceptedShape = "InstallUtility, " +
                                      Megabytes(static_cast<double>(accepted.bytes)) + " " + shape +
                                      std::to_string(bench::kDeepFilesAccepted) + " files (read)";
    AddDeepRow(table, acceptedShape + ": dry run / removal", accepted.dryRun, accepted.removal);
    AddDeepRow(table, "  the same, target absent", accepted.dryRunAbsent, accepted.removalAbsent);
}

void AddStartRow(Table& table, const Collector& runs) {
    const double uninstall = runs.Median(bench::kStartUninstall);
    const double echo = runs.Median(bench::kStartEcho);
    const bool known = std::isfinite(uninstall);
    table.Add({"Uninstaller start to its confirmation / /bin/echo", Time(uninstall), Time(echo),
               std::isfinite(uninstall / echo) ? Format("%.2fx", uninstall / echo) : "-", "< 20 ms",
               !known              ? "NOT RUN"
               : uninstall < 0.020 ? "PASS"
                                   : "MISS"});
}

// The desktop layer against the terminal one: each start's median, same run.
void AddDesktopStartRow(Table& table, const Collector& runs, const std::string& unavailable) {
    const char figure[] = "Uninstaller start to its confirmation window (Xvfb) / on the terminal";
    const double terminal = runs.Median(bench::kStartUninstall);
    if (!unavailable.empty()) {
        table.Add({figure, "-", Time(terminal), "-", "< 300 ms", "SKIPPED: " + unavailable});
        return;
    }
    const double desktop = runs.Median(bench::kStartDesktop);
    const bool known = std::isfinite(desktop);
    table.Add({figure, Time(desktop), Time(terminal),
               std::isfinite(desktop / terminal) ? Format("%.2fx", desktop / terminal) : "-",
               "< 300 ms",
               !known            ? "NOT RUN"
               : desktop < 0.300 ? "PASS"
                                 : "MISS"});
}

void AddRaceRow(Table& table, const bench::RaceFigures& race) {
    const char figure[] = "Swap race won by a same-user racer: root-installed bundle / user-owned";
    const auto wins = [](int won) {
        return won < 0 ? std::string("-")
                       : std::to_string(won) + "/" + std::to_string(bench::kRaceRuns);
    };
    table.Add({figure, wins(race.rootOwnedWins), wins(race.userOwnedWins), "", "0 root-installed",
               !race.unavailable.empty() ? "SKIPPED: " + race.unavailable
               : race.rootOwnedWins == 0 ? "PASS"
                                         : "MISS"});
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--fresh-load") == 0)
        return bench::RunFreshLoadChild(argv[2], argv[3]);

    // Programs started from here run on the terminal unless they are given a
    // display of their own.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");

    // Repetitions of all benchmarks run in a random order, so that a slow
    // spell of the machine falls on a figure and its reference alike.
    std::vector<char*> arguments(argv, argv + argc);
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleaving);
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 2;

    Progress("Generating the definitions...");
    Workspace workspace;
    if (!workspace.Create()) {
        std::fprintf(stderr, "QeBench: cannot write the definitions\n");
        return 1;
    }
    Progress("Loading in fresh processes...");
    const bench::FreshLoadFigures fresh = bench::MeasureFreshLoads(workspace.files[0]);

    Progress("Removing installed products...");
    const bench::RemovalFigures removal =
        bench::MeasureRemoval(workspace.folder, QE_INSTALLUTILITY_PATH);
    Progress("Reading definitions nested a thousand deep...");
    const bench::DeepFigures deepRefused =
        bench::MeasureDeepDefinition(workspace.folder, QE_INSTALLUTILITY_PATH, bench::kDeepFiles);
    const bench::DeepFigures deepAccepted = bench::MeasureDeepDefinition(
        workspace.folder, QE_INSTALLUTILITY_PATH, bench::kDeepFilesAccepted);

    Progress("Racing the bundle's copy (about a minute)...");
    const bench::RaceFigures race = bench::MeasureSwapRace();

    Progress("Preparing and checking the inputs...");
    bench::RegisterDefinitionBenchmarks(workspace.files);
    bench::RegisterAttributeLimitBenchmark(workspace.attributeLimitFile);
    bench::RegisterStringBenchmarks();
    bench::RegisterStartBenchmarks(QE_UNINSTALL_PATH);
#ifdef QE_DESKTOP_START
    Progress("Starting an X server...");
    const bench::DesktopStart desktop(QE_UNINSTALL_PATH);
    const std::string desktopUnavailable = desktop.Unavailable();
#else
    const std::string desktopUnavailable = "no desktop layer built";
#endif

    Progress("Timing (about a minute)...");
    Collector runs;
    benchmark::RunSpecifiedBenchmarks(&runs);
    benchmark::Shutdown();
    if (runs.showProgress)
        std::fputc('\n', stderr);
    for (const std::string& error : runs.errors)
        std::fprintf(stderr, "QeBench: %s\n", error.c_str());

    Table table;
    AddDefinitionRows(table, runs, workspace, fresh);
    AddStringRows(table, runs);
    AddBitSetRows(table, runs);
    AddStartRow(table, runs);
    AddDesktopStartRow(table, runs, desktopUnavailable);
    AddRemovalRows(table, removal);
    AddRaceRow(table, race);
    AddDeepRows(table, deepRefused, deepAccepted);
    std::printf(
        "\nQeBench, %d cores; times are the best of each benchmark's repetitions, run in "
        "random order\n(fresh-process loads: %d alternated runs per reader; "
        "the starts: medians of %d runs, %d on the desktop;\nremovals: the best of %d runs on "
        "fresh trees)\n\n",
        CoreCount(), bench::kFreshLoadRuns, bench::kStartRuns, bench::kDesktopStartRuns,
        bench::kRemovalRuns);
    table.Print();
    std::printf(
        "\nA fresh-process load times the call alone, as a program loads its definition once:\n"
        "opening, reading and parsing the file (fromFile also frees its own document); the\n"
        "row after it adds destroying the result. Peak RSS growth is VmHWM after that load\n"
        "minus before it.\n"
        "Repeated loads in one process also destroy the result (the document, or the\n"
        "SKUDefinition with everything it holds) and run on a heap the other loads left.\n");
    return runs.errors.empty() ? 0 : 1;
}
