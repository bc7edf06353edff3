// Removing an installed product: InstallUtility against rm -rf of an
// identical tree, its dry run, and its peak memory.

#include "Bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace bench {

namespace {

namespace fs = std::filesystem;

// The installed product: containers of plug-in bundles of kBundleFiles files.
constexpr int kContainers = 20;
constexpr int kBundlesPerContainer = 100;
constexpr int kResources = kBundleFiles - 2;

std::string Container(int c) {
    char name[32];
    std::snprintf(name, sizeof name, "Family %02d", c);
    return name;
}

std::string Bundle(int b) {
    char name[32];
    std::snprintf(name, sizeof name, "Plug-in %03d.plugin", b);
    return name;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Info.plist, the binary and the resources: kBundleFiles files.
void MakeBundle(const std::string& bundle) {
    fs::create_directories(bundle + "/Contents/MacOS");
    fs::create_directories(bundle + "/Contents/Resources");
    WriteFile(bundle + "/Contents/Info.plist", "<plist/>\n");
    WriteFile(bundle + "/Contents/MacOS/plugin", "binary\n");
    for (int r = 0; r < kResources; ++r)
        WriteFile(bundle + "/Contents/Resources/resource" + std::to_string(r) + ".strings",
                  "strings\n");
}

void MakeInstallation(const std::string& target) {
    for (int c = 0; c < kContainers; ++c) {
        for (int b = 0; b < kBundlesPerContainer; ++b)
            MakeBundle(target + "/" + Container(c) + "/" + Bundle(b));
    }
}

void WriteDefinition(const std::string& path) {
    std::ofstream out(path);
    out << "<product><sku ID=\"BENCH\" name=\"Bench\" build=\"1\"/><hosts><host name=\"Editor\"/>"
           "</hosts><installFiles>\n";
    for (int c = 0; c < kContainers; ++c) {
        out << "<directory fileName=\"" << Container(c) << "\">\n";
        for (int b = 0; b < kBundlesPerContainer; ++b)
            out << "<file fileName=\"" << Bundle(b) << "\"/>\n";
        out << "</directory>\n";
    }
    out << "</installFiles></product>\n";
}

struct Run {
    double seconds = -1;
    long peakKiB = -1;
};

Run Time(const std::vector<std::string>& arguments, int status = 0) {
    const auto start = std::chrono::steady_clock::now();
    Started started = Start(arguments, true);
    Run run;
    if (started.pid < 0)
        return run;
    if (Finish(started, &run.peakKiB) == status)
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

double Best(const std::vector<double>& seconds) {
    return seconds.empty() ? -1 : *std::min_element(seconds.begin(), seconds.end());
}

// Four letters or digits for each file up to 36^4, as the shape was measured.
std::string ShortName(int number) {
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name(4, '0');
    for (int at = 3; at >= 0; --at, number /= 36)
        name[at] = kDigits[number % 36];
    return name;
}

// Folders one in another, named by their level and filled up to
// kDeepNameBytes, around `files` short-named files.
long WriteDeepDefinition(const std::string& path, int files) {
    std::ofstream out(path);
    out << "<product><sku ID=\"DEEP\" name=\"Deep\" build=\"1\"/><hosts><host name=\"Editor\"/>"
           "</hosts><installFiles>";
    for (int level = 0; level < kDeepLevels; ++level)
        out << "<directory fileName=\"" << 1000 + level << std::string(kDeepNameBytes - 4, 'd')
            << "\">";
    for (int file = 0; file < files; ++file)
        out << "<file fileName=\"" << ShortName(file) << "\"/>";
    for (int level = 0; level < kDeepLevels; ++level)
        out << "</directory>";
    out << "</installFiles></product>\n";
    out.close();
    return out ? static_cast<long>(fs::file_size(path)) : -1;
}

// The best time and the largest peak of kDeepRuns runs of `arguments`.
DeepRun TimeDeep(const std::vector<std::string>& arguments, int status) {
    std::vector<double> seconds;
    DeepRun figures;
    for (int run = 0; run < kDeepRuns; ++run) {
        const Run one = Time(arguments, status);
        if (one.seconds < 0)
            return DeepRun{};
        seconds.push_back(one.seconds);
        figures.peakKiB = std::max(figures.peakKiB, one.peakKiB);
    }
    figures.seconds = Best(seconds);
    return figures;
}

} // namespace

DeepFigures MeasureDeepDefinition(const std::string& folder, const std::string& installUtility,
                                  int files) {
    DeepFigures figures;
    const std::string definition = folder + "/deep-sku.xml";
    const std::string target = folder + "/deep-target";
    const std::string targets = folder + "/deep-targets.xml";
    const std::string absentTargets = folder + "/deep-absent-targets.xml";
    figures.bytes = WriteDeepDefinition(definition, files);
    WriteFile(targets, "<targets><target host=\"Editor\" path=\"" + target + "\"/></targets>\n");
    WriteFile(absentTargets,
              "<targets><target host=\"Editor\" path=\"" + folder + "/absent\"/></targets>\n");
    fs::create_directory(target);
    figures.status = files > kDeepFilesAccepted ? 1 : 0;
    const auto command = [&](const std::string& targetsFile, bool dryRun) {
        std::vector<std::string> arguments = {installUtility, "-uninstall", definition, targetsFile,
                                              "-v"};
        if (dryRun)
            arguments.push_back("--dry-run");
        return TimeDeep(arguments, figures.status);
    };
    figures.dryRun = command(targets, true);
    figures.removal = command(targets, false);
    figures.dryRunAbsent = command(absentTargets, true);
    figures.removalAbsent = command(absentTargets, false);
    for (const std::string& file : {definition, targets, absentTargets, target})
        fs::remove(file);
    return figures;
}

RemovalFigures MeasureRemoval(const std::string& folder, const std::string& installUtility) {
    RemovalFigures figures;
    const std::string definition = folder + "/removal-sku.xml";
    const std::string targets = folder + "/removal-targets.xml";
    const std::string byTool = folder + "/by-tool", byRm = folder + "/by-rm",
                      checked = folder + "/checked";
    WriteDefinition(definition);
    WriteFile(targets, "<targets><target host=\"Editor\" path=\"" + byTool + "\"/></targets>\n");
    const std::string checkedTargets = folder + "/checked-targets.xml";
    WriteFile(checkedTargets,
              "<targets><target host=\"Editor\" path=\"" + checked + "\"/></targets>\n");
    std::vector<double> tool, rm, dryRun;
    std::vector<long> peak;
    for (int run = 0; run < kRemovalRuns; ++run) {
        for (const std::string& tree : {byTool, byRm, checked})
            MakeInstallation(tree);
        // Each first in every other run: what the one before left in the
        // caches must not favour either.
        const Run viaRm0 = run % 2 == 0 ? Time({"/bin/rm", "-rf", byRm}) : Run{};
        const Run viaTool = Time({installUtility, "-uninstall", definition, targets, "-v"});
        const Run viaRm = run % 2 == 0 ? viaRm0 : Time({"/bin/rm", "-rf", byRm});
        const Run check =
            Time({installUtility, "-uninstall", definition, checkedTargets, "-v", "--dry-run"});
        fs::remove_all(checked);
        fs::remove_all(byTool);
        if (viaTool.seconds < 0 || viaRm.seconds < 0 || check.seconds < 0)
            return figures;
        tool.push_back(viaTool.seconds);
        rm.push_back(viaRm.seconds);
        dryRun.push_back(check.seconds);
        peak.push_back(viaTool.peakKiB);
    }
    figures.toolSeconds = Best(tool);
    figures.rmSeconds = Best(rm);
    figures.dryRunSeconds = Best(dryRun);
    figures.toolPeakKiB = *std::max_element(peak.begin(), peak.end());
    for (const std::string& file : {definition, targets, checkedTargets})
        fs::remove(file);
    return figures;
}

} // namespace bench
