// The searches, comparisons, Replace and Trim of QeString or, in wide mode,
// QeUnicodeString (each byte one unit), and StringLibrary::Split, against a
// model on std::string written from their documented rules.
#include "FuzzCheck.h"
#include "QeString.h"
#include "QeUnicodeString.h"
#include "StringLibrary.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace {

constexpr unsigned long kNotFound = ~0UL; // QeString::maxLen
const char kWhiteSpace[] = " \t\n\r";

std::string Folded(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

unsigned long ModelIndexOf(const std::string& text, const std::string& needle,
                           unsigned long start) {
    if (start >= text.size())
        return kNotFound;
    if (needle.empty())
        return start;
    const std::size_t found = text.find(needle, start);
    return found == std::string::npos ? kNotFound : found;
}

unsigned long ModelIndexLastOf(const std::string& text, const std::string& needle) {
    if (needle.empty())
        return text.size();
    const std::size_t found = text.rfind(needle);
    return found == std::string::npos ? kNotFound : found;
}

bool ModelStartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool ModelEndsWith(const std::string& text, const std::string& suffix) {
    return !suffix.empty() && suffix.size() <= text.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool ModelLess(const std::string& a, const std::string& b) {
    if (b.empty())
        return !a.empty();
    if (a.size() != b.size())
        return a.size() > b.size();
    return a.compare(b) < 0;
}

// `find(start)` gives the next match of a `fromSize`-byte text at or after start.
template <class Find>
std::string ModelReplace(const std::string& text, std::size_t fromSize, const std::string& to,
                         Find find) {
    if (fromSize == 0)
        return text;
    std::string result;
    std::size_t copied = 0;
    for (unsigned long at = find(0); at != kNotFound; at = find(copied)) {
        result.append(text, copied, at - copied);
        result += to;
        copied = at + fromSize;
    }
    result.append(text, copied, std::string::npos);
    return result;
}

std::vector<std::string> ModelSplit(const std::string& text, const std::string& delimiter,
                                    bool skipEmpty) {
    std::vector<std::string> pieces;
    if (delimiter.empty()) {
        if (!text.empty())
            pieces.push_back(text);
        return pieces;
    }
    std::size_t start = 0;
    for (std::size_t found = text.find(delimiter); found != std::string::npos;
         found = text.find(delimiter, start)) {
        if (!skipEmpty || found > start)
            pieces.push_back(text.substr(start, found - start));
        start = found + delimiter.size();
    }
    if (start < text.size())
        pieces.push_back(text.substr(start));
    return pieces;
}

std::string ModelTrim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

// The wide string holds each byte as one unit, so the byte model applies.
QeUnicodeString FuzzWide(const std::string& text) {
    std::wstring units;
    for (const char byte : text)
        units += static_cast<wchar_t>(static_cast<unsigned char>(byte));
    return QeUnicodeString(units.data(), units.size());
}

std::string FuzzText(const QeUnicodeString& text) {
    if (text.IsEmpty()) {
        FuzzCheck(text.Data() == nullptr, "an empty wide string holds no block");
        return std::string();
    }
    FuzzCheck(text.Data() != nullptr && text.Data()[text.Size()] == L'\0',
              "a set wide string ends with a zero unit");
    std::string bytes;
    for (unsigned long i = 0; i < text.Size(); ++i) {
        FuzzCheck(text[i] >= 0 && text[i] <= 0xFF, "a wide unit stays a byte");
        bytes += static_cast<char>(text[i]);
    }
    return bytes;
}

QeString Make(const std::string& text, const QeString*) {
    return FuzzString(text);
}
QeUnicodeString Make(const std::string& text, const QeUnicodeString*) {
    return FuzzWide(text);
}

template <class String> std::vector<std::string> Texts(const Vector<String>& strings) {
    std::vector<std::string> texts;
    for (const String& s : strings)
        texts.push_back(FuzzText(s));
    return texts;
}

template <class String>
void CheckAgainstModel(const std::string& text, const std::string& needle, const std::string& to,
                       unsigned long start) {
    const String s = Make(text, static_cast<const String*>(nullptr));
    const String n = Make(needle, static_cast<const String*>(nullptr));
    FuzzCheck(FuzzText(s) == text, "construction keeps every byte");
    const std::string foldedText = Folded(text);
    const std::string foldedNeedle = Folded(needle);

    FuzzCheck(s.IndexOf(n, start) == ModelIndexOf(text, needle, start), "IndexOf");
    FuzzCheck(s.IndexOfIgnoreCase(n, start) == ModelIndexOf(foldedText, foldedNeedle, start),
              "IndexOfIgnoreCase");
    FuzzCheck(s.IndexLastOf(n) == ModelIndexLastOf(text, needle), "IndexLastOf");
    FuzzCheck(s.IndexLastOfIgnoreCase(n) == ModelIndexLastOf(foldedText, foldedNeedle),
              "IndexLastOfIgnoreCase");
    FuzzCheck(s.Contains(n) == (ModelIndexOf(text, needle, 0) != kNotFound), "Contains");
    FuzzCheck(s.ContainsIgnoreCase(n) == (ModelIndexOf(foldedText, foldedNeedle, 0) != kNotFound),
              "ContainsIgnoreCase");
    if constexpr (std::is_same_v<String, QeString>)
        FuzzCheck(s.StartsWith(n) == ModelStartsWith(text, needle), "StartsWith");
    FuzzCheck(s.EndsWith(n) == ModelEndsWith(text, needle), "EndsWith");

    FuzzCheck(s.Equals(n) == (text == needle), "Equals");
    FuzzCheck(s.EqualsIgnoreCase(n) == (foldedText == foldedNeedle), "EqualsIgnoreCase");
    FuzzCheck((s < n) == ModelLess(text, needle), "operator< (text, needle)");
    FuzzCheck((n < s) == ModelLess(needle, text), "operator< (needle, text)");

    const auto find = [&](unsigned long at) { return ModelIndexOf(text, needle, at); };
    const auto findIgnoringCase = [&](unsigned long at) {
        return ModelIndexOf(foldedText, foldedNeedle, at);
    };
    const String t = Make(to, static_cast<const String*>(nullptr));
    FuzzCheck(FuzzText(s.Replace(n, t)) == ModelReplace(text, needle.size(), to, find), "Replace");
    FuzzCheck(FuzzText(s.ReplaceIgnoreCase(n, t)) ==
                  ModelReplace(text, needle.size(), to, findIgnoringCase),
              "ReplaceIgnoreCase");

    for (bool skipEmpty : {false, true}) {
        FuzzCheck(Texts(StringLibrary::Split(s, n, skipEmpty)) ==
                      ModelSplit(text, needle, skipEmpty),
                  "Split");
    }
    FuzzCheck(FuzzText(s.Trim()) == ModelTrim(text), "Trim");
    FuzzCheck(FuzzText(StringLibrary::Trim(n)) == ModelTrim(needle), "StringLibrary::Trim");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::uint8_t mode = input.ConsumeIntegral<std::uint8_t>();
    unsigned long start = input.ConsumeIntegral<std::uint16_t>();
    if (mode & 1)
        start = kNotFound - start; // positions near the top of the range
    std::string needle = input.ConsumeRandomLengthString(64);
    const std::string to = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();
    if ((mode & 2) && !text.empty()) // a needle taken from the text finds something
        needle = text.substr(start % text.size(), needle.size());
    if (mode & 4)
        CheckAgainstModel<QeUnicodeString>(text, needle, to, start);
    else
        CheckAgainstModel<QeString>(text, needle, to, start);
    return 0;
}
