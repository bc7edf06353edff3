// Loading a definition in a fresh process, as a program loads it once:
// SKUDefinition::fromFile against the XML library's own load, in time and in
// the growth of the resident set's high-water mark.

#include "Bench.h"

#include "SKUDefinition.h"
#include "XMLParser.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

long PeakKiB() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return -1;
    long kib = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1)
            break;
    }
    std::fclose(status);
    return kib;
}

// One load in a fresh process: the time of the call alone, the time of
// destroying its result after it, and the growth of the resident set's
// high-water mark; negative when they could not be measured.
struct FreshLoad {
    double seconds = -1;
    double destroySeconds = -1;
    long peakKiB = -1;
};

FreshLoad RunFreshLoad(const std::string& self, const std::string& reader,
                       const std::string& path) {
    FreshLoad load;
    Started child = Start({self, "--fresh-load", reader, path}, false);
    if (child.pid < 0)
        return load;
    std::string output;
    char buffer[256];
    for (ssize_t got; (got = read(child.output, buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(got));
    if (Finish(child) != 0 || std::sscanf(output.c_str(), "%lf %lf %ld", &load.seconds,
                                          &load.destroySeconds, &load.peakKiB) != 3)
        return FreshLoad();
    return load;
}

template <class T> T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

FreshLoadFigures MeasureFreshLoads(const std::string& path) {
    FreshLoadFigures figures;
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return figures;
    std::vector<double> skuSeconds, librarySeconds, skuWhole, libraryWhole;
    std::vector<long> skuKiB, libraryKiB;
    // Alternated, so that a slow spell of the machine falls on both readers,
    // each first in every other pair (what the process before left behind
    // changes how fast memory comes), after a pair that is not counted: the
    // file was just written.
    RunFreshLoad(self, "tinyxml", path);
    RunFreshLoad(self, "sku", path);
    for (int run = 0; run < kFreshLoadRuns; ++run) {
        const bool libraryFirst = run % 2 == 0;
        FreshLoad library, sku;
        if (libraryFirst)
            library = RunFreshLoad(self, "tinyxml", path);
        sku = RunFreshLoad(self, "sku", path);
        if (!libraryFirst)
            library = RunFreshLoad(self, "tinyxml", path);
        if (library.seconds < 0 || sku.seconds < 0)
            return figures;
        librarySeconds.push_back(library.seconds);
        skuSeconds.push_back(sku.seconds);
        libraryWhole.push_back(library.seconds + library.destroySeconds);
        skuWhole.push_back(sku.seconds + sku.destroySeconds);
        libraryKiB.push_back(library.peakKiB);
        skuKiB.push_back(sku.peakKiB);
    }
    // The best time, as for every other figure: the machine's slow spells
    // (page faults here cost several times more at times) only add.
    figures.skuSeconds = *std::min_element(skuSeconds.begin(), skuSeconds.end());
    figures.librarySeconds = *std::min_element(librarySeconds.begin(), librarySeconds.end());
    figures.skuWithDestroySeconds = *std::min_element(skuWhole.begin(), skuWhole.end());
    figures.libraryWithDestroySeconds = *std::min_element(libraryWhole.begin(), libraryWhole.end());
    figures.skuPeakKiB = Median(skuKiB);
    figures.libraryPeakKiB = Median(libraryKiB);
    return figures;
}

int RunFreshLoadChild(const std::string& reader, const std::string& path) {
    // A fresh process: its high-water mark so far is only its own start.
    const long before = PeakKiB();
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    // The results stay alive until the load's figures are taken; destroying
    // them is timed apart.
    auto definition = std::make_unique<SKUDefinition>();
    auto document = std::make_unique<TiXmlDocument>();
    if (reader == "sku") {
        definition->fromFile(QeString(path.c_str()));
    } else if (reader == "tinyxml") {
        FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr)
            return 1;
        document->LoadFile(file, TIXML_ENCODING_UNKNOWN);
        std::fclose(file);
    } else {
        return 2;
    }
    const Clock::time_point loaded = Clock::now();
    const long after = PeakKiB();
    const Clock::time_point destroying = Clock::now();
    definition.reset();
    document.reset();
    const Clock::time_point destroyed = Clock::now();
    if (before < 0 || after < 0)
        return 1;
    const std::chrono::duration<double> load = loaded - start;
    const std::chrono::duration<double> destroy = destroyed - destroying;
    std::printf("%.9f %.9f %ld\n", load.count(), destroy.count(), after - before);
    return 0;
}

} // namespace bench
