// Loading a large definition: SKUDefinition::fromFile against the XML
// library's own load of the same file, repeated in one process.

#include "Bench.h"

#include "SKUDefinition.h"
#include "XMLLimits.h"
#include "XMLLoader.h"
#include "XMLParser.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
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

// The library's own load of the file at `path`; false when it cannot be
// opened (the document tells of any other failure).
bool LibraryLoad(TiXmlDocument& document, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    document.LoadFile(file, TIXML_ENCODING_UNKNOWN);
    std::fclose(file);
    return true;
}

void LoadWithLibrary(const std::string& path) {
    TiXmlDocument document;
    LibraryLoad(document, path);
    benchmark::DoNotOptimize(document.RootElement());
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
    TiXmlDocument document;
    const bool read = LibraryLoad(document, path);
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
    for (std::size_t i = 0; i < XMLLimits::kMaxAttributes; ++i) {
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
    TiXmlDocument document;
    const XMLLoadReport report = XMLLoader::LoadPath(document, QeString(path.c_str()));
    const bool whole = report.opened && report.cut == XMLLimits::Cut::None;
    const TiXmlNode* root = document.RootElement();
    const TiXmlNode* lastNode = root != nullptr ? root->LastChild("e") : nullptr;
    const TiXmlElement* last = lastNode != nullptr ? lastNode->ToElement() : nullptr;
    unsigned long attributes = 0;
    for (const TiXmlAttribute* a = last != nullptr ? last->FirstAttribute() : nullptr; a != nullptr;
         a = a->Next())
        ++attributes;
    if (!whole || document.Error() || attributes != XMLLimits::kMaxAttributes) {
        std::fprintf(stderr, "QeBench: %s does not read whole\n", path.c_str());
        std::exit(1);
    }
    RegisterDefinitionLoad(kLoadAttributeLimit, path);
}

} // namespace bench
