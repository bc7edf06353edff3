// The byte string's search and replacement against the standard library,
// and the growth of Split, Trim and the bit set with their input.

#include "Bench.h"

#include "QeBitSet.h"
#include "QeString.h"
#include "StringLibrary.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace bench {

namespace {

constexpr int kRepetitions = 15;
constexpr double kMinSeconds = 0.06;

const char kNeedle[] = "Plug-ins/Effects";
static_assert(sizeof kNeedle - 1 == kNeedleBytes, "the needle is 16 bytes");

// Installed paths, one per line. The needle's first 15 bytes recur on every
// fourth line and its first byte several times per line, so a search keeps
// finding candidates that fail late.
std::string PathText(unsigned long size) {
    static const char* const kFolders[] = {"Filters", "Effect Presets", "Color", "Effect Help"};
    std::string text;
    text.reserve(size + 128);
    char line[128];
    for (unsigned i = 0; text.size() < size; ++i) {
        std::snprintf(line, sizeof line,
                      "/Library/Application Support/Qe/Plug-ins/%s/Plug-in %05u.plugin\n",
                      kFolders[i % 4], i % 100000);
        text += line;
    }
    text.resize(size);
    return text;
}

// Path text whose line ends are `matches` evenly spaced new lines.
std::string LineText(unsigned long size, unsigned long matches) {
    std::string text = PathText(size);
    std::replace(text.begin(), text.end(), '\n', ';');
    for (unsigned long i = 0; i < matches; ++i)
        text[i * size / matches] = '\n';
    return text;
}

// What a plain standard-library replacement does: room for the worst case,
// so appending never reallocates, then the pieces and replacements appended.
std::string ReplaceReference(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size() / from.size() * std::max(from.size(), to.size()) +
                text.size() % from.size());
    std::size_t copied = 0;
    for (std::size_t p = text.find(from); p != std::string_view::npos;
         p = text.find(from, p + from.size())) {
        out.append(text.data() + copied, p - copied);
        out.append(to.data(), to.size());
        copied = p + from.size();
    }
    out.append(text.data() + copied, text.size() - copied);
    return out;
}

// A ";" list of family names.
std::string NameList(unsigned long size) {
    std::string text;
    text.reserve(size + 32);
    char name[32];
    for (unsigned i = 0; text.size() < size; ++i) {
        std::snprintf(name, sizeof name, "Family %05u;", i % 100000);
        text += name;
    }
    text.resize(size);
    return text;
}

std::string WhiteSpace(unsigned long size) {
    static const char kSpace[] = " \t\r\n";
    std::string text(size, ' ');
    for (unsigned long i = 0; i < size; ++i)
        text[i] = kSpace[i % 4];
    return text;
}

std::string HexMask(unsigned long digits, unsigned seed) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string mask(digits, '0');
    unsigned state = seed;
    for (unsigned long i = 0; i < digits; ++i) {
        state = state * 1103515245U + 12345U;
        mask[i] = kDigits[(state >> 16) & 15U];
    }
    return mask;
}

QeString Qe(const std::string& text) {
    return QeString(text.data(), text.size());
}

struct Inputs {
    std::string haystack;
    QeString qeHaystack;
    QeString needle{kNeedle};
    std::string lines16;
    QeString qeLines16;
    QeString qeLines32;
    QeString list1;
    QeString list2;
    QeString space1;
    QeString space2;
    QeString mask1;
    QeString mask2;
    QeBitSet set4;
    QeBitSet subset4;
    QeBitSet set8;
    QeBitSet subset8;
};

void Fail(const char* what) {
    std::fprintf(stderr, "QeBench: %s\n", what);
    std::exit(1);
}

// Builds the inputs, and checks that each measured operation does the whole
// work and agrees with its reference, so that no timing is of a shortcut.
void Prepare(Inputs& in) {
    in.haystack = PathText(kSearchBytes - kNeedleBytes) + kNeedle;
    in.qeHaystack = Qe(in.haystack);
    if (in.qeHaystack.IndexOf(in.needle) != kSearchBytes - kNeedleBytes ||
        std::string_view(in.haystack).find(kNeedle) != kSearchBytes - kNeedleBytes)
        Fail("the needle is not found at the end only");

    in.lines16 = LineText(kReplaceBytes, kReplaceMatches);
    in.qeLines16 = Qe(in.lines16);
    in.qeLines32 = Qe(LineText(2 * kReplaceBytes, 2 * kReplaceMatches));
    const QeString replaced = in.qeLines16.Replace("\n", "\r\n");
    const std::string reference = ReplaceReference(in.lines16, "\n", "\r\n");
    if (replaced.Size() != kReplaceBytes + kReplaceMatches ||
        std::string_view(replaced.Data(), replaced.Size()) != reference)
        Fail("Replace and its reference differ");

    in.list1 = Qe(NameList(kListBytes));
    in.list2 = Qe(NameList(2 * kListBytes));
    const unsigned long pieces = StringLibrary::Split(in.list1, QeString(";"), false).size();
    if (pieces != kListBytes / 13 + 1)
        Fail("Split gives an unexpected number of pieces");

    in.space1 = Qe(WhiteSpace(kListBytes));
    in.space2 = Qe(WhiteSpace(2 * kListBytes));
    if (StringLibrary::Trim(in.space2).IsSet())
        Fail("Trim keeps white space");

    in.mask1 = Qe(HexMask(kMaskDigits, 1));
    in.mask2 = Qe(HexMask(2 * kMaskDigits, 2));
    in.set4 = QeBitSet(in.mask1);
    in.subset4 = in.set4 & QeBitSet(Qe(HexMask(kMaskDigits, 3)));
    in.set8 = QeBitSet(in.mask2);
    in.subset8 = in.set8 & QeBitSet(Qe(HexMask(2 * kMaskDigits, 4)));
    if (in.set4.bits.size() != 4 * kMaskDigits || in.set8.bits.size() != 8 * kMaskDigits ||
        !in.set4.Contains(in.subset4) || !in.set8.Contains(in.subset8))
        Fail("the bit sets are not read whole");
}

template <class Body> void Register(const char* name, Body body) {
    benchmark::RegisterBenchmark(name,
                                 [body](benchmark::State& state) {
                                     for (auto _ : state)
                                         body();
                                 })
        ->Repetitions(kRepetitions)
        ->MinTime(kMinSeconds)
        ->UseRealTime();
}

} // namespace

void RegisterStringBenchmarks() {
    static Inputs in;
    Prepare(in);

    Register(kIndexOf, [] { benchmark::DoNotOptimize(in.qeHaystack.IndexOf(in.needle)); });
    Register(kIndexOfReference,
             [] { benchmark::DoNotOptimize(std::string_view(in.haystack).find(kNeedle)); });

    static const QeString from("\n");
    static const QeString to("\r\n");
    Register(kReplace16, [] { benchmark::DoNotOptimize(in.qeLines16.Replace(from, to).Data()); });
    Register(kReplace32, [] { benchmark::DoNotOptimize(in.qeLines32.Replace(from, to).Data()); });
    Register(kReplaceReference,
             [] { benchmark::DoNotOptimize(ReplaceReference(in.lines16, "\n", "\r\n").data()); });

    static const QeString semicolon(";");
    Register(kSplit1, [] {
        benchmark::DoNotOptimize(StringLibrary::Split(in.list1, semicolon, false).size());
    });
    Register(kSplit2, [] {
        benchmark::DoNotOptimize(StringLibrary::Split(in.list2, semicolon, false).size());
    });
    Register(kTrim1, [] { benchmark::DoNotOptimize(StringLibrary::Trim(in.space1).Size()); });
    Register(kTrim2, [] { benchmark::DoNotOptimize(StringLibrary::Trim(in.space2).Size()); });

    Register(kFromString1, [] {
        QeBitSet set;
        benchmark::DoNotOptimize(set.fromString(in.mask1));
    });
    Register(kFromString2, [] {
        QeBitSet set;
        benchmark::DoNotOptimize(set.fromString(in.mask2));
    });
    Register(kContains4, [] { benchmark::DoNotOptimize(in.set4.Contains(in.subset4)); });
    Register(kContains8, [] { benchmark::DoNotOptimize(in.set8.Contains(in.subset8)); });
}

} // namespace bench
