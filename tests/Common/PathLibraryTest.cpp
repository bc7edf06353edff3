#include "PathLibrary.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Cases = std::vector<std::pair<std::string, std::string>>;

QeString Q(const std::string& text) {
    return QeString(text.data(), text.size());
}
void Check(QeString (*operation)(const QeString&, const QeString&), const Cases& cases,
           const char* separator = "/") {
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(expected, Text(operation(Q(input), separator))) << "input: \"" << input << "\"";
}

void Check(QeString (*operation)(const QeString&), const Cases& cases) {
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(expected, Text(operation(Q(input)))) << "input: \"" << input << "\"";
}

} // namespace

// clang-format off
TEST(PathLibraryFileName, LastComponentOrTheWholePath) {
    Check(&PathLibrary::GetFileNameFromPath, {{"/a/b/c.txt", "c.txt"}, {"c.txt", "c.txt"},
          {"/a/b/", "/a/b/"}, {"/", "/"}, {"", ""}});
    Check(&PathLibrary::GetFileNameWithoutExtensionFromPath,
          {{"/x.y/a.tar.gz", "a"}, {"/a/.profile", ""}, {"/a/b", "b"}});
    // matched as a whole text; a trailing two-byte separator starts at n - 2
    Check(&PathLibrary::GetFileNameFromPath, {{"a::b::c", "c"}, {"a:b", "a:b"}, {"a::b::", ""}},
          "::");
    Check(&PathLibrary::GetFileNameFromPath, {{"C:\\a\\b.txt", "b.txt"}}, "\\");
}

TEST(PathLibraryDirectoryWithFile, JoinsWithOneSeparator) {
    const struct { const char *directory, *separator, *expected; } cases[] = {
        {"/a/b", "/", "/a/b/f"}, {"/a/b/", "/", "/a/b/f"}, {"", "/", "/f"}, {"/", "/", "/f"},
        {"a//", "/", "a//f"},
        // a two-byte separator is never seen as trailing
        {"a::", "::", "a::::f"}, {"a", "::", "a::f"}, {"", "::", "::f"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Text(PathLibrary::GetDirectoryWithFile(c.directory, "f", c.separator)))
            << c.directory;
}

TEST(PathLibraryAppendPathComponent, JoinsWithOneSlashAndKeepsAnEmptyBaseEmpty) {
    const struct { const char *base, *expected; } cases[] = {
        {"/t", "/t/f"}, {"/t/", "/t/f"}, {"/", "/f"}, {"", "f"}, {"t//", "t//f"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, PathLibrary::AppendPathComponent(c.base, "f")) << c.base;
}

TEST(PathLibraryRemoveLastPathComponent, KeepsTheRootAndGivesDotWithoutASlash) {
    const struct { const char *path, *expected; } cases[] = {
        {"/a/b", "/a"}, {"/a", "/"}, {"/", "/"}, {"a", "."}, {"", "."}, {"a/b/", "a/b"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, PathLibrary::RemoveLastPathComponent(c.path)) << c.path;
}

TEST(PathLibraryDirectoryWithoutFile, UpToTheLastSeparator) {
    Check(&PathLibrary::GetDirectoryWithoutFile, {{"/a/b/c.txt", "/a/b/"}, {"c.txt", ""},
          {"/a/b/", "/a/b/"}, {"/x", "/"}, {"", ""}});
    Check(&PathLibrary::GetDirectoryWithoutFile, {{"a::b::c", "a::b::"}, {"a:b", ""}}, "::");
}

TEST(PathLibraryWithoutLastSlash, DropsExactlyOneTrailingSeparator) {
    Check(&PathLibrary::GetDirectoryPathWithoutLastSlash, {{"/a/b/", "/a/b"},
          {"/a/b//", "/a/b/"}, {"/", ""}, {"/a/b", "/a/b"}, {"", ""}});
    Check(&PathLibrary::GetDirectoryPathWithoutLastSlash, {{"a::b::", "a::b::"}, {"::", "::"}},
          "::");
}

TEST(PathLibraryParentDir, IgnoresOneTrailingSeparator) {
    Check(&PathLibrary::GetParentDir, {{"/a/b/c", "/a/b"}, {"/a/b/c/", "/a/b"}, {"a/b", "a"},
          {"/a", ""}, {"/", ""}, {"a", ""}, {"/a/b//", "/a/b"}});
    Check(&PathLibrary::GetParentDir, {{"a::b::c", "a::b::"}}, "::");
}

TEST(PathLibraryCollapsePath, RemovesComponentsFollowedByDotDot) {
    Check(&PathLibrary::CollapsePath, {
          {"/a/b/../c", "/a/c"}, {"/a/../b", "/b"}, {"/a/b/../../c", "/c"},
          {"/a/b/c/../../d", "/a/d"}, {"/a/b/c/../d/../../e", "/a/e"},
          {"/a/../../b", "/../b"}, {"/../a", "/../a"}, {"a/../b", "a/../b"},
          {"x/a/../b", "x/b"}, {"/a/b/..", "/a/b/.."}, {"/a/./b", "/a/./b"},
          {"/a//../b", "/a/b"}, {"//../a", "/a"}, {"/tmp/../", "/"}, {"", ""}});
}

TEST(PathLibraryExtension, FirstDotRemovesLastDotExtends) {
    Check(&PathLibrary::RemoveExtension, {{"a.tar.gz", "a"}, {"/x.y/z.txt", "/x"},
          {".hidden", ""}, {"file.", "file"}, {"ab", "ab"}});
    Check(&PathLibrary::GetExtension, {{"a.tar.gz", "gz"}, {"/x.y/z", "y/z"}, {"file.", ""},
          {".hidden", "hidden"}, {"ab", ""}});
}

TEST(PathLibraryNormalizePath, BackslashesThenHalvesSlashRuns) {
    Check(&PathLibrary::NormalizePath, {{"a//b", "a/b"}, {"a///b", "a//b"}, {"a////b", "a//b"},
          {"a/////b", "a///b"}, {"//", "/"}, {"\\\\server\\share", "/server/share"},
          {"a\\/b", "a/b"}, {"/a/b", "/a/b"}, {"", ""}});
}

TEST(PathLibrarySafeFileName, ReplacesUnsafeBytesThenOneTrailingDot) {
    const struct { std::string name, replacement, expected; } cases[] = {
        {"a<b>c:d\"e/f\\g|h?i*j", "_", "a_b_c_d_e_f_g_h_i_j"},
        {std::string("a\0b", 3), "_", "a_b"}, {std::string("a\0b", 3), "", "ab"},
        {"\xC3\xA9:", "--", "\xC3\xA9--"}, {"name", "_", "name"},
        {"name.", "_", "name"}, {"name..", "_", "name."}, {".", "_", ""}, {".hidden", "_", ".hidden"},
        // an empty replacement deletes; a dot can become last only afterwards
        {"a:b", "", "ab"}, {"<", "", ""}, {"x.<", "", "x"},
        {"", "", ""}, {"", "_", ""}, {"", "<>", ""},
        // later passes see what earlier ones brought in, a pass never its own output
        {"<", "a?", "aa?"}, {"?", "a?", "a?"}, {"a<", "x.", "ax"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Text(PathLibrary::GetSafeFileName(Q(c.name), Q(c.replacement))))
            << "\"" << c.name << "\" with \"" << c.replacement << "\"";
}

TEST(PathLibrarySafeFileName, ANameOfDotsOnlyNamesNeitherTheFolderNorItsParent) {
    const struct { std::string name, replacement, expected; } cases[] = {
        {"..", "_", "_"}, {"...", "_", "__"}, {"....", "-", "---"}, {"..", "ab", "ab"},
        {"/..", "", ""}, {"..<", "", ""}, {"<.>", "", ""}, {"...", "", ""},
        // a replacement of dots would bring them back
        {"...", ".", ""}, {"..", "..", ""},
        {"a..", "_", "a."}, {"..a", "_", "..a"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Text(PathLibrary::GetSafeFileName(Q(c.name), Q(c.replacement))))
            << "\"" << c.name << "\" with \"" << c.replacement << "\"";
}
TEST(PathLibraryIsEntryName, OneEntryAndNothingThatLeadsElsewhere) {
    const struct { std::string name; bool entry; } cases[] = {
        {"Blur.plugin", true}, {"...", true}, {".hidden", true}, {" ", true},
        {"", false}, {".", false}, {"..", false}, {"a/b", false}, {"/", false},
        {"a/", false}, {std::string("a\0b", 3), false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.entry, PathLibrary::IsEntryName(c.name)) << "\"" << c.name << "\"";
}

TEST(PathLibraryComponents, EmptyComponentsLeftOutDotsKept) {
    const struct { const char* path; std::vector<std::string> components; } cases[] = {
        {"/a//b/", {"a", "b"}}, {"a/b", {"a", "b"}}, {"/", {}}, {"", {}}, {"//", {}},
        {"/a/./../b", {"a", ".", "..", "b"}}, {"name", {"name"}}};
    for (const auto& c : cases)
        EXPECT_EQ(c.components, PathLibrary::Components(c.path)) << c.path;
}
// clang-format on

namespace {

// Points HOME at a scratch folder and drops XDG_CONFIG_HOME, restoring both after.
class PathLibraryDocumentsDir : public ::testing::Test {
protected:
    PathLibraryDocumentsDir() {
        for (const char* name : kNames)
            if (const char* value = getenv(name))
                saved[name] = value;
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    ~PathLibraryDocumentsDir() override {
        for (const char* name : kNames)
            saved.count(name) ? setenv(name, saved[name].c_str(), 1) : unsetenv(name);
        fs::remove_all(home);
    }
    // Writes user-dirs.dirs into `folder` under HOME, then asks for the folder.
    std::string Documents(const std::string& folder = "", const std::string& text = "") const {
        if (!folder.empty()) {
            fs::create_directories(home + folder);
            std::ofstream(home + folder + "/user-dirs.dirs") << text;
        }
        return Text(PathLibrary::GetUserDocumentsDir());
    }

    static constexpr const char* kNames[] = {"HOME", "XDG_CONFIG_HOME"};
    std::map<std::string, std::string> saved;
    std::string home = MakeScratchFolder("qe-docs");
};

} // namespace

TEST_F(PathLibraryDocumentsDir, FromUserDirsOrDocumentsInHomeNeverCreated) {
    EXPECT_EQ(home + "/Documents", Documents());
    EXPECT_EQ(home + "/Documents", Documents("/.config", "XDG_DOCUMENTS_DIR=\"Docs\"\n"));
    EXPECT_EQ("/srv/papers", Documents("/.config", "XDG_DOCUMENTS_DIR=\"/srv/papers/\"\n"));
    // the last matching line wins, unescaped
    EXPECT_EQ(home + "/My \"Docs\" $x",
              Documents("/.config", "XDG_DOWNLOAD_DIR=\"$HOME/Down\"\n"
                                    "XDG_DOCUMENTS_DIR=\"$HOME/First\"\n"
                                    "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\" \\$x\"\n"));
    EXPECT_FALSE(fs::exists(home + "/Documents") || fs::exists(home + "/My \"Docs\" $x"));
}

TEST_F(PathLibraryDocumentsDir, XdgConfigHomeOnlyWhenAbsolute) {
    Documents("/.config", "XDG_DOCUMENTS_DIR=\"$HOME/FromHome\"\n");
    setenv("XDG_CONFIG_HOME", (home + "/cfg").c_str(), 1);
    EXPECT_EQ(home + "/FromConfig", Documents("/cfg", "XDG_DOCUMENTS_DIR=\"$HOME/FromConfig\"\n"));
    setenv("XDG_CONFIG_HOME", "cfg", 1);
    EXPECT_EQ(home + "/FromHome", Documents());
    // an absolute one without the file does not fall back to ~/.config
    setenv("XDG_CONFIG_HOME", (home + "/none").c_str(), 1);
    EXPECT_EQ(home + "/Documents", Documents());
}
