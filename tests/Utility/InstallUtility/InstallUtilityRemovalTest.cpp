// InstallUtility -uninstall seen from outside: each test lays a fake installation
// out in a scratch folder, runs the tool, and checks what is left, the exit
// status and what the report said of each path. "@" stands for the scratch folder.
#include "ScratchTree.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>

#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using scratch::Tree;
using Entries = std::vector<std::string>;
// Verdicts by reported path (or refused name), comma-separated when repeated.
using Report = std::map<std::string, std::string>;

const std::string kSku = R"(<sku ID="QE-T" name="Qe Test"/>)";
// Editor in both architectures; Viewer is only a build host.
const std::string kHosts =
    R"(<hosts><host name="Editor" arch="x86;x64" families="Filters"/></hosts>)"
    R"(<hostsForBuild><host name="Viewer" families="Filters"/></hostsForBuild>)";
const std::string kAppTarget = R"(<target host="Editor" path="@/app"/>)";
const std::string kDocsTarget = R"(<target name="Docs" path="@/docs"/>)";

std::string Definition(const std::string& installFiles, const std::string& sku = kSku) {
    return DefinitionText(installFiles, kHosts, sku);
}

bool IsReportLine(const std::string& line) {
    for (const char* verdict : {"removed ", "kept ", "absent ", "failed ", "skipped "})
        if (line.rfind(verdict, 0) == 0)
            return true;
    return false;
}

Entries ReportLines(const std::string& out) {
    Entries lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (IsReportLine(line))
            lines.push_back(line);
    return lines;
}

// The path of a line ends where its reason begins.
Report Verdicts(const std::string& out) {
    Report report;
    for (const std::string& line : ReportLines(out)) {
        const size_t space = line.find(' ');
        const std::string path = line.substr(space + 1, line.find(": ", space) - space - 1);
        std::string& verdicts = report[path];
        verdicts += (verdicts.empty() ? "" : ",") + line.substr(0, space);
    }
    return report;
}

// One installation: what the definition lists, what is on disk before and
// after (in ScratchTree::Make's language), and what the report must say.
struct Scenario {
    std::string installFiles;
    Entries layout, remaining;
    Report report;
    int status = 0;
    std::string targets = kAppTarget;
};

class InstallUtilityRemoval : public scratch::ScratchTree {
protected:
    void SetUp() override { MakeProtected(); }
    // The failure test may have locked this folder; let it be removed.
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(P("ro/kernel"), fs::perms::owner_all, ignored);
    }

    std::string At(std::string text) const {
        for (size_t at; (at = text.find('@')) != std::string::npos;)
            text.replace(at, 1, root);
        return text;
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(P(name), std::ios::binary) << text;
    }
    void Lay(const Entries& entries) const {
        for (const std::string& entry : entries)
            Make({entry});
    }
    void Prepare(const Scenario& s) const {
        Write("sku.xml", Definition(s.installFiles));
        Write("targets.xml", "<targets>" + At(s.targets) + "</targets>");
        Lay(s.layout);
    }
    ToolRun Uninstall(Entries options = {"-v"}) const {
        options.insert(options.begin(),
                       {QE_INSTALLUTILITY_PATH, "-uninstall", P("sku.xml"), P("targets.xml")});
        return RunTool(options);
    }
    // The whole scratch folder but the two input files.
    Tree Remaining() const {
        Tree tree = scratch::Snapshot(root);
        tree.erase("sku.xml");
        tree.erase("targets.xml");
        return tree;
    }
    // The tree that `entries` lay out, with their folders and the protected ones.
    static Tree Expected(Entries entries) {
        Tree tree;
        entries.insert(entries.end(), {"protected/keep", "protected.txt"});
        for (const std::string& entry : entries) {
            const size_t arrow = entry.find("->");
            const std::string name = entry.substr(0, arrow);
            for (size_t slash = name.find('/');
                 slash != std::string::npos && slash + 1 < name.size();
                 slash = name.find('/', slash + 1))
                tree[name.substr(0, slash)] = "/";
            if (arrow != std::string::npos)
                tree[name] = "->" + entry.substr(arrow + 2);
            else if (name.back() == '/')
                tree[name.substr(0, name.size() - 1)] = "/";
            else
                tree[name] = name;
        }
        return tree;
    }
    // The verdicts given for the paths `expected` names, "(none)" for a path not reported.
    void ExpectReport(const std::string& out, const Report& expected) const {
        const Report actual = Verdicts(out);
        Report wanted, given;
        for (const auto& [path, verdict] : expected) {
            const auto found = actual.find(At(path));
            wanted[At(path)] = verdict;
            given[At(path)] = found == actual.end() ? "(none)" : found->second;
        }
        EXPECT_EQ(given, wanted) << out;
    }
    ToolRun Check(const Scenario& s) const {
        Prepare(s);
        const ToolRun run = Uninstall();
        EXPECT_EQ(run.status, s.status) << run.out << run.err;
        EXPECT_EQ(Remaining(), Expected(s.remaining));
        ExpectReport(run.out, s.report);
        return run;
    }
};

// Alias is a link to a folder outside: only the link goes.
TEST_F(InstallUtilityRemoval, RemovesEachItemWhole) {
    Check({R"(<file fileName="Tool"/><file fileName="Link"/>
              <file fileName="Alias"/><file fileName="Blur.plugin"/>)",
           {"app/Tool", "app/Link->../protected.txt", "app/Alias->../protected",
            "app/Blur.plugin/Contents/MacOS/Blur", "app/Blur.plugin/Contents/Empty/",
            "app/Blur.plugin/Contents/Shared->../../../protected"},
           {"app/"},
           {{"@/app/Tool", "removed"},
            {"@/app/Link", "removed"},
            {"@/app/Alias", "removed"},
            {"@/app/Blur.plugin", "removed"}}});
}

TEST_F(InstallUtilityRemoval, ContainerGoesOnlyWhenEmptyAndARealFolder) {
    Check({R"(<directory fileName="Emptied"><file fileName="a"/></directory>
              <directory fileName="Outer"><directory fileName="Inner"><file fileName="a"/>
              </directory></directory>
              <directory fileName="Shared"><file fileName="a"/></directory>
              <directory fileName="UserFolder"><file fileName="a"/></directory>
              <directory fileName="Linked"><file fileName="keep"/></directory>
              <directory fileName="Plain"><file fileName="a"/></directory>)",
           {"app/Emptied/a", "app/Outer/Inner/a", "app/Shared/a", "app/Shared/user.txt",
            "app/UserFolder/a", "app/UserFolder/mine/", "app/Linked->../protected", "app/Plain"},
           {"app/Shared/user.txt", "app/UserFolder/mine/", "app/Linked->../protected", "app/Plain"},
           {{"@/app/Emptied/a", "removed"},
            {"@/app/Emptied", "removed"},
            {"@/app/Outer/Inner/a", "removed"},
            {"@/app/Outer/Inner", "removed"},
            {"@/app/Outer", "removed"},
            {"@/app/Shared/a", "removed"},
            {"@/app/Shared", "kept"},
            {"@/app/UserFolder/a", "removed"},
            {"@/app/UserFolder", "kept"},
            {"@/app/Linked", "kept"},
            {"@/app/Plain", "kept"}}});
}

TEST_F(InstallUtilityRemoval, DontDeleteKeepsTheEntryAndEveryFolderAbove) {
    Check({R"(<directory fileName="Presets"><directory fileName="Looks">
                <file fileName="Warm.preset" dontdelete="1"/><file fileName="Cold.preset"/>
              </directory><file fileName="Other.preset"/></directory>
              <directory fileName="Logs" dontdelete="1"><file fileName="today.log" dontdelete="0"/>
              </directory>)",
           {"app/Presets/Looks/Warm.preset", "app/Presets/Looks/Cold.preset",
            "app/Presets/Other.preset", "app/Logs/today.log"},
           {"app/Presets/Looks/Warm.preset", "app/Logs/"},
           {{"@/app/Presets/Looks/Warm.preset", "kept"},
            {"@/app/Presets/Looks/Cold.preset", "removed"},
            {"@/app/Presets/Other.preset", "removed"},
            {"@/app/Presets/Looks", "kept"},
            {"@/app/Presets", "kept"},
            {"@/app/Logs/today.log", "removed"},
            {"@/app/Logs", "kept"}}});
}

TEST_F(InstallUtilityRemoval, DontDeleteFlowsDownUntilAZeroWhichFlowsOn) {
    Check({R"(<directory fileName="Data" dontdelete="1"><file fileName="a"/>
                <directory fileName="Cache" dontdelete="0"><file fileName="b"/>
                  <directory fileName="Deep"><file fileName="c"/></directory></directory>
                <directory fileName="Sub"><file fileName="d"/></directory></directory>)",
           {"app/Data/a", "app/Data/Cache/b", "app/Data/Cache/Deep/c", "app/Data/Sub/d"},
           {"app/Data/a", "app/Data/Sub/d"},
           {{"@/app/Data/a", "kept"},
            {"@/app/Data/Cache/b", "removed"},
            {"@/app/Data/Cache/Deep/c", "removed"},
            {"@/app/Data/Cache/Deep", "removed"},
            {"@/app/Data/Cache", "removed"},
            {"@/app/Data/Sub/d", "kept"},
            {"@/app/Data/Sub", "kept"},
            {"@/app/Data", "kept"}}});
}

TEST_F(InstallUtilityRemoval, ShortcutGoesOnlyWhenALinkInsideItsFolder) {
    Check({R"(<file fileName="Help.pdf"><shortCut name="Help" dir="Docs"/></file>
              <file fileName="Guide.pdf"><shortCut name="Guide" dir="Docs"/></file>
              <file fileName="Manual.pdf"><shortCut name="Manual" dir="Docs"/></file>
              <file fileName="Lost.pdf"><shortCut name="Lost" dir="Docs"/></file>
              <file fileName="Escape.pdf"><shortCut name="../escape" dir="Docs"/></file>)",
           {"app/Help.pdf", "app/Guide.pdf", "app/Manual.pdf", "app/Lost.pdf", "app/Escape.pdf",
            "docs/Help->../protected", "docs/Guide", "docs/Manual/page", "escape->protected.txt"},
           {"app/", "docs/Guide", "docs/Manual/page", "escape->protected.txt"},
           {{"@/app/Help.pdf", "removed"},
            {"@/docs/Help", "removed"},
            {"@/docs/Guide", "kept"},
            {"@/docs/Manual", "kept"},
            {"@/docs/Lost", "absent"}},
           0,
           kAppTarget + kDocsTarget});
}

// Shortcuts of two named targets, one after the other: each link in its own.
TEST_F(InstallUtilityRemoval, ShortcutsAlternatingBetweenFoldersEachGoFromTheirOwn) {
    Check({R"(<file fileName="a"><shortCut name="A" dir="Docs"/></file>
              <file fileName="b"><shortCut name="B" dir="Help"/></file>
              <file fileName="c"><shortCut name="C" dir="Docs"/></file>)",
           {"docs/A->../protected", "docs/B->../protected", "docs/C->../protected",
            "help/A->../protected", "help/B->../protected", "help/C->../protected"},
           {"docs/B->../protected", "help/A->../protected", "help/C->../protected"},
           {{"@/docs/A", "removed"}, {"@/help/B", "removed"}, {"@/docs/C", "removed"}},
           0,
           R"(<target name="Docs" path="@/docs"/><target name="Help" path="@/help"/>)"});
}

TEST_F(InstallUtilityRemoval, AbsentIsReportedNotAnError) {
    Check({R"(<file fileName="Gone.plugin"/><directory fileName="GoneDir"><file fileName="x"/>
              </directory><directory fileName="Present"><file fileName="Gone"/></directory>)",
           {"app/Present/"},
           {"app/"},
           {{"@/app/Gone.plugin", "absent"},
            {"@/app/GoneDir", "absent"},
            {"@/app/Present/Gone", "absent"},
            {"@/app/Present", "removed"}},
           0,
           kAppTarget + R"(<target host="Editor32" path="@/missing"/>)"});
}

TEST_F(InstallUtilityRemoval, RefusedNamesAreSkippedWithTheirSubtree) {
    Check({R"(<directory fileName=".."><file fileName="protected.txt"/>
                <directory fileName="protected"><file fileName="keep"/></directory></directory>
              <directory fileName="."><file fileName="Blur.plugin"/></directory>
              <file fileName="sub/file"/><file fileName="../protected.txt"/>
              <directory fileName="x"><file fileName="../../protected.txt"/></directory>
              <file fileName="Tool"/>)",
           {"app/sub/file", "app/Blur.plugin", "app/x/user", "app/Tool"},
           {"app/sub/file", "app/Blur.plugin", "app/x/user"},
           {{"..", "skipped"},
            {".", "skipped"},
            {"sub/file", "skipped"},
            {"../protected.txt", "skipped"},
            {"../../protected.txt", "skipped"},
            {"@/app/x", "kept"},
            {"@/app/Tool", "removed"}}});
}

// Each line names its entry by the whole path from the target down, or a
// refused name escaped, whether the run removes or only checks.
TEST_F(InstallUtilityRemoval, EachLineNamesItsEntryWhole) {
    Prepare({R"(<directory fileName="A"><directory fileName="B"><file fileName="c"/>
                  <file fileName="d"/><file fileName="k" dontdelete="1"/></directory></directory>
                <file fileName="f&#0;x"/><directory fileName="n&#0;"><file fileName="f"/></directory>)",
             {"app/A/B/d", "app/A/B/k", "app/f", "app/n/f"},
             {},
             {}});
    const Entries lines = {
        At("skipped f\\x00x: not the name of one entry, in @/app"),
        At("skipped n\\x00: not the name of one entry, in @/app"),
        At("absent @/app/A/B/c"),
        At("removed @/app/A/B/d"),
        At("kept @/app/A/B/k: marked dontDelete"),
        At("kept @/app/A/B: holds an entry that is kept"),
        At("kept @/app/A: holds an entry that is kept"),
    };
    const std::pair<Entries, Entries> runs[] = {
        {{"-v", "--dry-run"}, {"app/A/B/d", "app/A/B/k", "app/f", "app/n/f"}},
        {{"-v"}, {"app/A/B/k", "app/f", "app/n/f"}},
    };
    for (const auto& [options, remaining] : runs) {
        const ToolRun run = Uninstall(options);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReportLines(run.out), lines) << options.back();
        EXPECT_EQ(Remaining(), Expected(remaining));
    }
}

TEST_F(InstallUtilityRemoval, EveryInstallHostVariantIsProcessedAndNoOther) {
    const ToolRun run =
        Check({R"(<file fileName="Blur.plugin"/>)",
               {"ed/Blur.plugin", "ed32/Blur.plugin", "viewer/Blur.plugin", "player/Blur.plugin"},
               {"ed/", "ed32/", "viewer/Blur.plugin", "player/Blur.plugin"},
               {{"@/ed/Blur.plugin", "removed"}, {"@/ed32/Blur.plugin", "removed"}},
               0,
               R"(<target host="Editor" path="@/ed"/><target host="Editor32" path="@/ed32"/>
                  <target host="Editor" path="@/absent"/>
                  <target host="Viewer" path="@/viewer"/><target host="Player" path="@/player"/>)"});
    // A skipped target may be named by its host or by its folder.
    Report verdicts = Verdicts(run.out);
    for (const auto& [host, path] : {std::pair{"Viewer", "@/viewer"}, {"Player", "@/player"}})
        EXPECT_EQ(verdicts[host] + verdicts[At(path)], "skipped") << run.out;
}

TEST_F(InstallUtilityRemoval, RefusedTargetsFileRemovesNothing) {
    // Each bad target beside a good one; the message names the bad one.
    const std::vector<std::pair<std::string, std::string>> badTargets = {
        {R"(<target host="Editor32" path="app32"/>)", "Editor32"},
        {R"(<target host="Editor32" path=""/>)", "Editor32"},
        {R"(<target host="Editor32" path="@/app/../app32"/>)", "Editor32"},
        {R"(<target host="Editor32" path="@/./app32"/>)", "Editor32"},
        {R"(<target host="Editor32" path="/"/>)", "Editor32"},
        {R"(<target host="Editor32" path="//"/>)", "Editor32"},
        {R"(<target host="Editor32"/>)", "Editor32"},
        {R"(<target host="Editor32" name="Docs" path="@/app32"/>)", "Editor32"},
        {R"(<target path="@/app32"/>)", "@/app32"},
        {R"(<target name="Docs" path="docs"/>)", "Docs"},
        {R"(<target host="Editor32" path="@/app32">)", ""}, // never closed
    };
    for (const auto& [target, named] : badTargets) {
        SCOPED_TRACE(target);
        Prepare({R"(<file fileName="Blur.plugin"/>)",
                 {"app/Blur.plugin", "app32/Blur.plugin"},
                 {},
                 {},
                 1,
                 kAppTarget + target});
        const ToolRun run = Uninstall();
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(At(named)), std::string::npos) << run.err;
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(Remaining(), Expected({"app/Blur.plugin", "app32/Blur.plugin"}));
    }
}

TEST_F(InstallUtilityRemoval, DefinitionWithoutProductNameRemovesNothing) {
    const std::string kMissing = "(no file)";
    const std::string files = R"(<file fileName="Blur.plugin"/>)";
    for (const std::string& definition : {Definition(files, R"(<sku ID="QE-T"/>)"),
                                          Definition(files, R"(<sku ID="QE-T" name=""/>)"),
                                          std::string("<other/>"), std::string(), kMissing}) {
        SCOPED_TRACE(definition);
        Prepare({files, {"app/Blur.plugin"}, {}, {}});
        Write("sku.xml", definition);
        if (definition == kMissing)
            fs::remove(P("sku.xml"));
        const ToolRun run = Uninstall();
        EXPECT_EQ(run.status, 1);
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(Remaining(), Expected({"app/Blur.plugin"}));
    }
}

TEST_F(InstallUtilityRemoval, WrongCommandLineRemovesNothing) {
    Prepare({R"(<file fileName="Blur.plugin"/>)", {"app/Blur.plugin"}, {}, {}});
    const std::string sku = P("sku.xml"), targets = P("targets.xml");
    for (const Entries& arguments : std::vector<Entries>{
             {},
             {"-uninstall"},
             {"-uninstall", sku},
             {"-install", sku, targets, "-v"},
             {"-uninstall", sku, targets, "-v", "extra"},
             {"-uninstall", sku, targets, "--dry"},
             {"-uninstall", sku, targets, "-V"},
         }) {
        Entries command = arguments;
        command.insert(command.begin(), QE_INSTALLUTILITY_PATH);
        const ToolRun run = RunTool(command);
        EXPECT_EQ(run.status, 2) << arguments.size() << " arguments";
        EXPECT_EQ(Remaining(), Expected({"app/Blur.plugin"}));
    }
}

// A file whose removal fails: in /proc even root cannot remove it; otherwise
// a folder without write permission holds it.
TEST_F(InstallUtilityRemoval, FailureIsReportedTheRestGoesOnUnlessIgnored) {
    const bool root = geteuid() == 0;
    const std::string kernel = root ? "/proc/sys/kernel" : P("ro/kernel");
    if (!root) {
        Make({"ro/kernel/hostname"});
        fs::permissions(kernel, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const Entries untouched = root ? Entries{"app/"} : Entries{"app/", "ro/kernel/hostname"};
    const std::string failing = R"(<target host="Editor" path=")" + kernel + R"("/>)";
    const std::string failingAbove =
        R"(<target host="Editor" path=")" + fs::path(kernel).parent_path().string() + R"("/>)";
    const std::string others = R"(<file fileName="Blur.plugin"/><file fileName="a"/>)";
    const std::string app = R"(<target host="Editor32" path="@/app"/>)";
    const std::vector<Scenario> table = {
        {R"(<file fileName="hostname"/>)" + others,
         {"app/hostname", "app/Blur.plugin", "app/a"},
         untouched,
         {{"@/app/hostname", "removed"}, {"@/app/Blur.plugin", "removed"}, {"@/app/a", "removed"}},
         1,
         failing + app},
        {R"(<file fileName="hostname" ignoreinstallerrors="1"/>)" + others,
         {"app/hostname", "app/Blur.plugin", "app/a"},
         untouched,
         {{"@/app/hostname", "removed"}, {"@/app/Blur.plugin", "removed"}, {"@/app/a", "removed"}},
         0,
         failing + app},
        {R"(<directory fileName="kernel" ignoreinstallerrors="1"><file fileName="hostname"/>
            </directory>)" +
             others,
         {"app/kernel/hostname", "app/Blur.plugin", "app/a"},
         untouched,
         {{"@/app/kernel", "removed"}, {"@/app/Blur.plugin", "removed"}, {"@/app/a", "removed"}},
         0,
         failingAbove + app},
    };
    for (const Scenario& s : table) {
        SCOPED_TRACE(s.installFiles);
        const ToolRun run = Check(s);
        EXPECT_EQ(Verdicts(run.out)[kernel + "/hostname"], "failed") << run.out;
        EXPECT_NE(run.err.find("InstallUtility: failed " + kernel + "/hostname: "),
                  std::string::npos)
            << run.err;
    }
}

// Anyone may have renamed another user's folder to an item's name in a
// container every user may write to: it is not entered (sticky ones are in
// FoldersOthersMayChangeAreNotTouched).
TEST_F(InstallUtilityRemoval, ContainerEveryoneMayWriteToIsNotEntered) {
    const struct {
        fs::perms mode;
        const char* flags;
        int status;
    } cases[] = {{fs::perms::all, "", 1}, {fs::perms::all, R"( ignoreinstallerrors="1")", 0}};
    for (const auto& c : cases) {
        fs::remove_all(P("app"));
        const Entries item = {"app/Open/Item.plugin/x"};
        Prepare({std::string(R"(<directory fileName="Open")") + c.flags +
                     R"(><file fileName="Item.plugin"/></directory>)",
                 item,
                 item,
                 {},
                 c.status});
        fs::permissions(P("app/Open"), c.mode);
        const ToolRun run = Uninstall();
        EXPECT_EQ(run.status, c.status) << run.out;
        EXPECT_EQ(Remaining(), Expected(item)) << run.out;
        ExpectReport(run.out, {{"@/app/Open", "failed"}, {"@/app/Open/Item.plugin", "(none)"}});
    }
}

// Containers nested 990 deep with names of 200 bytes around `files` files: a
// path of 200 KB for each file, far more than the tool may hold at once.
std::string DeepDefinition(int files) {
    std::string tree;
    for (int level = 0; level < 990; ++level)
        tree += R"(<directory fileName=")" + std::to_string(1000 + level) + std::string(196, 'd') +
                R"(">)";
    for (int file = 0; file < files; ++file)
        tree += R"(<file fileName=")" + std::to_string(100000 + file) + R"("/>)";
    for (int level = 0; level < 990; ++level)
        tree += "</directory>";
    return Definition(tree);
}

// Under a cap of 256 MB of address space, whether the target is there or not,
// checked or removed: 30,000 files take the library to its limit on walking
// up; 150,000, a 3.7 MB definition, pass it and are refused before anything
// is looked at.
TEST_F(InstallUtilityRemoval, DeepDefinitionRunsWithinItsMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than the cap";
#endif
    Make({"app/"});
    const std::string first = P("app/1000") + std::string(196, 'd');
    const struct {
        int files;
        std::string target;
        int status;
        std::string out, err;
    } cases[] = {
        {30000, P("app"), 0, "absent " + first + "\n", ""},
        {30000, P("missing"), 0, "absent " + P("missing") + "\n", ""},
        {150000, P("app"), 1, "",
         "InstallUtility: " + P("sku.xml") +
             ": nodes whose depths add up to more than 32000000, more than a definition may "
             "hold; not read\n"},
    };
    for (const auto& c : cases) {
        Write("sku.xml", DeepDefinition(c.files));
        Write("targets.xml",
              R"(<targets><target host="Editor" path=")" + c.target + R"("/></targets>)");
        for (const bool dryRun : {true, false}) {
            Entries command = {"/usr/bin/prlimit",
                               "--as=" + std::to_string(256 << 20),
                               "--",
                               QE_INSTALLUTILITY_PATH,
                               "-uninstall",
                               P("sku.xml"),
                               P("targets.xml"),
                               "-v"};
            if (dryRun)
                command.push_back("--dry-run");
            const ToolRun run = RunTool(command);
            const std::string row =
                std::to_string(c.files) + " files, " + c.target + (dryRun ? ", dry run" : "");
            EXPECT_EQ(run.status, c.status) << row;
            EXPECT_EQ(run.out, c.out) << row;
            EXPECT_EQ(run.err, c.err) << row;
            EXPECT_EQ(Remaining(), Expected({"app/"})) << row;
        }
    }
}

// Containers, dontDelete, a user's file, a shortcut, an absent entry.
const Scenario kInstallation = {
    R"(<directory fileName="Plug-ins"><directory fileName="Filters">
         <file fileName="Blur.plugin"/></directory><file fileName="Color.plugin"/></directory>
       <directory fileName="Presets" dontdelete="1"><file fileName="Looks.preset"/>
         <file fileName="Default.preset" dontdelete="0"/></directory>
       <directory fileName="Shared"><file fileName="a"/></directory>
       <file fileName="Help.pdf"><shortCut name="Help" dir="Docs"/></file>
       <file fileName="Gone"/>)",
    {"app/Plug-ins/Filters/Blur.plugin/Contents/x", "app/Plug-ins/Color.plugin/Contents/y",
     "app/Presets/Looks.preset", "app/Presets/Default.preset", "app/Shared/a",
     "app/Shared/user.txt", "app/Help.pdf", "docs/Help->../app/Help.pdf"},
    {"app/Presets/Looks.preset", "app/Shared/user.txt", "docs/"},
    {{"@/app/Plug-ins", "removed"},
     {"@/app/Presets", "kept"},
     {"@/app/Shared", "kept"},
     {"@/docs/Help", "removed"},
     {"@/app/Gone", "absent"}},
    0,
    kAppTarget + kDocsTarget};

TEST_F(InstallUtilityRemoval, DryRunChangesNothingAndSaysWhatTheRunWillSay) {
    Prepare(kInstallation);
    const Tree before = Remaining();
    const ToolRun dry = Uninstall({"-v", "--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Remaining(), before);
    ExpectReport(dry.out, kInstallation.report);

    const ToolRun real = Uninstall();
    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(Remaining(), Expected(kInstallation.remaining));
    EXPECT_EQ(ReportLines(dry.out), ReportLines(real.out));
}

TEST_F(InstallUtilityRemoval, WithoutVerboseRemovesButListsNothingRemoved) {
    Prepare(kInstallation);
    const ToolRun run = Uninstall({});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Remaining(), Expected(kInstallation.remaining));
    for (const std::string& line : ReportLines(run.out))
        EXPECT_NE(line.rfind("removed ", 0), 0u) << line;
}

TEST_F(InstallUtilityRemoval, TargetFoldersStayWhenEmptied) {
    Check({R"(<directory fileName="Plug-ins"><file fileName="a"/></directory>
              <file fileName="Help.pdf"><shortCut name="Help" dir="Docs"/></file>)",
           {"app/Plug-ins/a", "app/Help.pdf", "app32/Plug-ins/a", "docs/Help->../app/Help.pdf"},
           {"app/", "app32/", "docs/"},
           {{"@/app/Plug-ins", "removed"}, {"@/app32/Plug-ins", "removed"}},
           0,
           kAppTarget + R"(<target host="Editor32" path="@/app32"/>)" + kDocsTarget});
}

// A folder on the way to an item counts as safe only when no one but root,
// the administrators and the user uninstalling (SUDO_UID; here daemon, whose
// group is its own) can rename what it holds; otherwise its target fails
// and nothing under it is touched.
TEST_F(InstallUtilityRemoval, FoldersOthersMayChangeAreNotTouched) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give folders to other users";
    const group* sudoGroup = getgrnam("sudo");
    const gid_t administrators = sudoGroup != nullptr ? sudoGroup->gr_gid : 0;
    const uid_t other = 65534;
    const gid_t strangers = 4242;
    const struct {
        const char* folder;
        uid_t owner;
        gid_t group;
        mode_t mode;
        uid_t itemOwner;    // of Item.plugin
        const char* failed; // the line that fails, or none
    } cases[] = {
        {"up", 0, strangers, 0775, 0, "@/up/app"},
        {"up", 0, administrators, 0775, 0, nullptr},
        {"up", 0, 0, 0777, 0, "@/up/app"},
        {"up", 0, 0, 01777, 0, nullptr},
        {"up", other, other, 0755, 0, "@/up/app"},
        {"up/app", 0, strangers, 0775, 0, "@/up/app"},
        {"up/app", 1, 1, 0775, 0, nullptr},
        {"up/app", other, other, 0755, 0, "@/up/app"},
        {"up/app/Open", 0, strangers, 0775, 0, "@/up/app/Open"},
        {"up/app/Open", 0, 0, 01777, 0, nullptr},
        {"up/app/Open", 0, 0, 01777, other, "@/up/app/Open/Item.plugin"},
        {"up/app/Open", 0, 0, 01777, 1, nullptr},
        {"up/app/Open/Item.plugin", other, other, 0755, other, "@/up/app/Open/Item.plugin"},
        {"up/app/Open/Item.plugin/x", other, other, 0755, 0, nullptr},
    };
    for (const auto& c : cases) {
        fs::remove_all(P("up"));
        Write("sku.xml", Definition(R"(<directory fileName="Open"><file fileName="Item.plugin"/>)"
                                    R"(</directory>)"));
        Write("targets.xml", At(R"(<targets><target host="Editor" path="@/up/app"/></targets>)"));
        Make({"up/app/Open/Item.plugin/x"});
        ASSERT_EQ(lchown(P("up/app/Open/Item.plugin").c_str(), c.itemOwner, 0), 0);
        ASSERT_EQ(lchown(P(c.folder).c_str(), c.owner, c.group), 0);
        ASSERT_EQ(chmod(P(c.folder).c_str(), c.mode), 0);
        const Tree before = Remaining();
        const ToolRun run = RunTool({"/usr/bin/env", "SUDO_UID=1", QE_INSTALLUTILITY_PATH,
                                     "-uninstall", P("sku.xml"), P("targets.xml"), "-v"});
        const std::string row =
            std::string(c.folder) + " " + std::to_string(c.mode) + "\n" + run.out;
        if (c.failed != nullptr) {
            EXPECT_EQ(run.status, 1) << row;
            EXPECT_EQ(Verdicts(run.out)[At(c.failed)], "failed") << row;
            EXPECT_EQ(Remaining(), before) << row;
        } else {
            EXPECT_EQ(run.status, 0) << row;
            EXPECT_EQ(Verdicts(run.out)[At("@/up/app/Open")], "removed") << row;
        }
    }
}

} // namespace
