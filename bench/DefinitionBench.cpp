// Loading a large definition: SKUDefinition::fromFile against the XML
// library's own load of the same file, in time and in resident memory.

#include "Bench.h"

#include "SKUDefinition.h"
#include "XMLNestingLimit.h"
#include "XMLParser.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

// The base shape; every count is multiplied by the scale.
constexpr int kFamilies = 2000;
constexpr int kPluginsPerFamily = 20;
constexpr int kContentsPerFamily = 10;
constexpr int kHosts = 500;
constexpr int kFamiliesPerHost = 8;
// Four levels: three of directories, then the files (5 x 10 x 10 x 100).
constexpr int kTopDirectories = 5;
constexpr int kSubDirectories = 10;
constexpr int kFilesPerDirectory = 100;
constexpr int kFiles = kTopDirectories * kSubDirectories * kSubDirectories * kFilesPerDirectory;

// Loads are long enough to time one at a time; the table takes the best.
constexpr int kLoadRepetitions = 7;

// 64 hexadecimal digits that differ from family to family.
std::string FeaturesMask(unsigned seed) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string mask;
    unsigned state = seed * 2654435761U + 1;
    for (int i = 0; i < 64; ++i) {
        state = state * 1103515245U + 12345U;
        mask += kDigits[(state >> 16) & 15U];
    }
    return mask;
}

void WriteFamilies(FILE* out, int families) {
    std::fprintf(out, "    <families>\n");
    for (int f = 0; f < families; ++f) {
        std::fprintf(out, "        <family name=\"Family %05d\">\n            <plugins>\n", f);
        for (int p = 0; p < kPluginsPerFamily; ++p)
            std::fprintf(out,
                         "                <plugin name=\"Family %05d Plug-in %02d\" "
                         "index=\"%d\" version=\"1.0.%d\"/>\n",
                         f, p, f * kPluginsPerFamily + p, p);
        std::fprintf(out, "            </plugins>\n            <contents>\n");
        for (int c = 0; c < kContentsPerFamily; ++c)
            std::fprintf(out, "                <content name=\"Family %05d Content %02d\"/>\n", f,
                         c);
        std::fprintf(out,
                     "            </contents>\n"
                     "            <featuresmask name=\"%s\"/>\n"
                     "            <contentmask name=\"3FF\"/>\n"
                     "            <pluginsmask name=\"FFFFF\"/>\n"
                     "        </family>\n",
                     FeaturesMask(static_cast<unsigned>(f)).c_str());
    }
    std::fprintf(out, "    </families>\n");
}

void WriteHosts(FILE* out, int hosts, int families) {
    static const char* const kArchs[] = {"x86;x64", "x64", "x86", "x64;x86"};
    std::fprintf(out, "    <hosts>\n");
    for (int h = 0; h < hosts; ++h) {
        std::string list;
        for (int i = 0; i < kFamiliesPerHost; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "%sFamily %05d", i > 0 ? ";" : "",
                          (h * kFamiliesPerHost + i) % families);
            list += name;
        }
        std::fprintf(out,
                     "        <host name=\"Host %04d\" arch=\"%s\" families=\"%s\" "
                     "compilerOptions=\"-DHOST_%04d -O2\"/>\n",
                     h, kArchs[h % 4], list.c_str(), h);
    }
    std::fprintf(out, "    </hosts>\n");
}

void WriteFiles(FILE* out, int leafDirectory) {
    for (int i = 0; i < kFilesPerDirectory; ++i) {
        const int n = leafDirectory * kFilesPerDirectory + i;
        std::fprintf(out,
                     "                    <file fileName=\"Qe Plug-in Resource %07d.bundle\" "
                     "configuration=\"Release\"",
                     n);
        if (n % 7 == 0)
            std::fprintf(out, " arch=\"x86\"");
        if (n % 11 == 0)
            std::fprintf(out, " allowdowngrade=\"1\"");
        if (n % 20 == 0)
            std::fprintf(out,
                         ">\n                        <shortCut name=\"Resource %07d\" "
                         "dir=\"Documentation\"/>\n                    </file>\n",
                         n);
        else
            std::fprintf(out, "/>\n");
    }
}

void WriteInstallFiles(FILE* out, int topDirectories) {
    std::fprintf(out, "    <installFiles>\n");
    int leaf = 0;
    for (int a = 0; a < topDirectories; ++a) {
        std::fprintf(out, "        <directory fileName=\"Component %03d\"%s>\n", a,
                     a % 2 == 1 ? " ignoreinstallerrors=\"1\"" : "");
        for (int b = 0; b < kSubDirectories; ++b) {
            std::fprintf(out, "            <directory fileName=\"Module %02d\"%s>\n", b,
                         b % 3 == 0 ? " dontdelete=\"1\"" : "");
            for (int c = 0; c < kSubDirectories; ++c, ++leaf) {
                std::fprintf(out, "                <directory fileName=\"Bundle %02d\">\n", c);
                WriteFiles(out, leaf);
                std::fprintf(out, "                </directory>\n");
            }
            std::fprintf(out, "            </directory>\n");
        }
        std::fprintf(out, "        </directory>\n");
    }
    std::fprintf(out, "    </installFiles>\n");
}

void LoadWithLibrary(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return;
    {
        TiXmlDocument document;
        document.LoadFile(file, TIXML_ENCODING_UNKNOWN);
        benchmark::DoNotOptimize(document.RootElement());
    }
    std::fclose(file);
}

void LoadDefinition(const QeString& path) {
    SKUDefinition definition;
    definition.fromFile(path);
    benchmark::DoNotOptimize(definition.familyPlugins.size());
}

// A row that times one load of the definition at `path` per repetition.
void RegisterDefinitionLoad(const char* name, const std::string& path) {
    const QeString qePath(path.c_str());
    benchmark::RegisterBenchmark(name,
                                 [qePath](benchmark::State& state) {
                                     for (auto _ : state)
                                         LoadDefinition(qePath);
                                 })
        ->Iterations(1)
        ->Repetitions(kLoadRepetitions)
        ->UseRealTime();
}

unsigned long CountFiles(const FileNode& root) {
    unsigned long files = 0;
    std::vector<const FileNode*> pending{&root};
    while (!pending.empty()) {
        const FileNode* node = pending.back();
        pending.pop_back();
        for (const auto& entry : node->children) {
            if (entry.second.isDirectory)
                pending.push_back(&entry.second);
            else
                ++files;
        }
    }
    return files;
}

// A load that stopped early would be timed as a fast one.
void CheckDefinition(const std::string& path, int scale) {
    FILE* file = std::fopen(path.c_str(), "rb");
    TiXmlDocument document;
    const bool read = file != nullptr && document.LoadFile(file, TIXML_ENCODING_UNKNOWN);
    if (file != nullptr)
        std::fclose(file);
    SKUDefinition definition;
    definition.fromFile(QeString(path.c_str()));
    const auto plugins = definition.familyPlugins.find(QeString("Family 00000"));
    const bool whole =
        read && !document.Error() &&
        definition.familyPlugins.size() == static_cast<std::size_t>(kFamilies * scale) &&
        plugins != definition.familyPlugins.end() && plugins->second.size() == kPluginsPerFamily &&
        definition.hosts.size() == static_cast<std::size_t>(kHosts * scale) &&
        definition.familyFeaturesMasks.size() == static_cast<std::size_t>(kFamilies * scale) &&
        CountFiles(definition.installFiles) == static_cast<unsigned long>(kFiles) * scale;
    if (!whole) {
        std::fprintf(stderr, "QeBench: %s does not read whole\n", path.c_str());
        std::exit(1);
    }
}

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

} // namespace

std::string LoadName(const std::string& reader, int scale) {
    return "load/" + reader + "/" + std::to_string(scale) + "x";
}

long WriteDefinition(const std::string& path, int scale) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return -1;
    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<product>\n"
                 "    <sku ID=\"QE-BENCH\" name=\"Qe Bench Suite\" build=\"1\" prefix=\"QEB\"/>\n"
                 "    <packageId value=\"com.example.qe.bench\"/>\n");
    WriteFamilies(out, kFamilies * scale);
    WriteHosts(out, kHosts * scale, kFamilies * scale);
    WriteInstallFiles(out, kTopDirectories * scale);
    std::fprintf(out, "</product>\n");
    const long size = std::ftell(out);
    return std::fclose(out) == 0 ? size : -1;
}

void RegisterDefinitionBenchmarks(const std::vector<std::string>& paths) {
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const int scale = kDefinitionScales[i];
        const std::string path = paths[i];
        CheckDefinition(path, scale);
        benchmark::RegisterBenchmark(LoadName("tinyxml", scale).c_str(),
                                     [path](benchmark::State& state) {
                                         for (auto _ : state)
                                             LoadWithLibrary(path);
                                     })
            ->Iterations(1)
            ->Repetitions(kLoadRepetitions)
            ->UseRealTime();
        RegisterDefinitionLoad(LoadName("sku", scale).c_str(), path);
    }
}

namespace {

// Names of two letters, the shortest that can all differ: the most
// attributes a byte, each checked by the library against the earlier ones.
std::string AttributeLimitElement() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::size_t letters = sizeof kLetters - 1;
    std::string element = "    <e";
    for (std::size_t i = 0; i < XMLNestingLimit::kMaxAttributes; ++i) {
        element += ' ';
        element += kLetters[i / letters % letters];
        element += kLetters[i % letters];
        element += "=''";
    }
    return element + "/>\n";
}

} // namespace

long WriteAttributeLimitDefinition(const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return -1;
    const std::string element = AttributeLimitElement();
    std::fprintf(out, "<product>\n    <sku name=\"Qe Bench Attributes\"/>\n");
    for (long written = 0; written < kAttributeLimitBytes;
         written += static_cast<long>(element.size()))
        std::fputs(element.c_str(), out);
    std::fprintf(out, "</product>\n");
    const long size = std::ftell(out);
    return std::fclose(out) == 0 ? size : -1;
}

void RegisterAttributeLimitBenchmark(const std::string& path) {
    // A file cut short would be timed as a fast one: the last element must
    // keep every attribute.
    FILE* file = std::fopen(path.c_str(), "rb");
    TiXmlDocument document;
    const bool whole = file != nullptr && XMLNestingLimit::LoadFile(document, file);
    if (file != nullptr)
        std::fclose(file);
    const TiXmlNode* root = document.RootElement();
    const TiXmlNode* lastNode = root != nullptr ? root->LastChild("e") : nullptr;
    const TiXmlElement* last = lastNode != nullptr ? lastNode->ToElement() : nullptr;
    unsigned long attributes = 0;
    for (const TiXmlAttribute* a = last != nullptr ? last->FirstAttribute() : nullptr; a != nullptr;
         a = a->Next())
        ++attributes;
    if (!whole || document.Error() || attributes != XMLNestingLimit::kMaxAttributes) {
        std::fprintf(stderr, "QeBench: %s does not read whole\n", path.c_str());
        std::exit(1);
    }
    RegisterDefinitionLoad(kLoadAttributeLimit, path);
}

namespace {

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
