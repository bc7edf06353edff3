#include "RemovalPlan.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = RemovalPlan::Action::Kind;
using namespace std::string_literals;

// One line per action: its kind, path (or name), why, and "!" when its
// failure is ignored.
std::vector<std::string> Lines(const RemovalPlan& plan) {
    static const char* const kKinds[] = {"Target",         "Enter", "Leave", "RemoveItem",
                                         "RemoveShortcut", "Keep",  "Skip"};
    std::vector<std::string> lines;
    for (std::size_t index = 0; index < plan.actions.size(); ++index) {
        const RemovalPlan::Action& action = plan.actions[index];
        std::string line = std::string(kKinds[static_cast<int>(action.kind)]) + " " +
                           (action.kind == Kind::Skip ? action.name : plan.PathOf(index));
        const std::string why = plan.WhyOf(index);
        if (!why.empty())
            line += ": " + why;
        lines.push_back(line + (action.ignoreErrors ? " !" : ""));
    }
    return lines;
}

std::vector<std::string> Plan(const std::string& installFiles, const std::string& targets) {
    SKUDefinition definition;
    definition.parse(
        DefinitionText(installFiles, R"(<hosts><host name="Editor" arch="x86;x64"/></hosts>)")
            .c_str());
    TargetsFile file;
    std::string error;
    EXPECT_TRUE(file.parse("<targets>" + targets + "</targets>", error)) << error;
    return Lines(RemovalPlan::Make(definition, file));
}

const std::string kEditor = R"(<target host="Editor" path="/E/"/>)";

struct PlanCase {
    const char* rule;
    std::string installFiles;
    std::string targets;
    std::vector<std::string> expected;
};

const char kHeld[] = "holds an entry that is kept";
const char kMarked[] = "marked dontDelete";

TEST(RemovalPlan, FollowsEachRule) {
    const PlanCase cases[] = {
        PlanCase{"items are removed whole, containers after their entries",
                 R"(<directory fileName="D"><file fileName="a"/><directory fileName="E"/>
                    </directory><file fileName="b"/>)",
                 kEditor,
                 {"Target /E", "Enter /E/D", "Enter /E/D/E", "Leave /E/D/E", "RemoveItem /E/D/a",
                  "Leave /E/D", "RemoveItem /E/b"}},
        PlanCase{"dontDelete keeps the entry and every folder above it; a 0 below it does not",
                 R"(<directory fileName="A"><directory fileName="K" dontdelete="1">
                    <file fileName="k"/><directory fileName="Z" dontdelete="0">
                    <file fileName="z"/></directory></directory></directory>)",
                 kEditor,
                 {"Target /E", "Enter /E/A", "Enter /E/A/K", "Enter /E/A/K/Z",
                  "RemoveItem /E/A/K/Z/z", "Leave /E/A/K/Z",
                  "Keep /E/A/K/k: " + std::string(kMarked), "Leave /E/A/K: " + std::string(kMarked),
                  "Leave /E/A: " + std::string(kHeld)}},
        PlanCase{"ignoreInstallErrors flows down to each entry's action",
                 R"(<directory fileName="D" ignoreinstallerrors="1"><file fileName="a"/>
                    <file fileName="b" ignoreinstallerrors="0"/></directory>)",
                 kEditor,
                 {"Target /E", "Enter /E/D !", "RemoveItem /E/D/a !", "RemoveItem /E/D/b",
                  "Leave /E/D !"}},
        PlanCase{"names that are not one entry are skipped with all below them",
                 R"(<directory fileName=".."><file fileName="x"/></directory>
                    <file fileName="a/b"/><file fileName="."/><file fileName="ok"/>)",
                 kEditor,
                 {"Target /E", "Skip a/b: not the name of one entry, in /E",
                  "Skip ..: not the name of one entry, in /E", "RemoveItem /E/ok",
                  "Skip .: not the name of one entry, in /E"}},
        PlanCase{
            "each host variant of the product has its target; another host is skipped",
            R"(<file fileName="a"/>)",
            R"(<target host="Editor32" path="/E32"/><target host="Viewer" path="/V"/>)" + kEditor,
            {"Target /E32", "RemoveItem /E32/a", "Skip Viewer: not a host variant of the product",
             "Target /E", "RemoveItem /E/a"}},
        PlanCase{"shortcuts come last, once each, in their named folder",
                 R"(<file fileName="a"><shortCut name="A" dir="Docs"/></file>
                    <file fileName="b"><shortCut name="A" dir="Docs"/></file>
                    <file fileName="c" dontdelete="1"><shortCut name="C" dir="Docs"/></file>
                    <file fileName="d"><shortCut name="D" dir="Nowhere"/></file>
                    <file fileName="e"><shortCut name="../e" dir="Docs"/></file>)",
                 R"(<target name="Docs" path="/Docs"/>)",
                 {"RemoveShortcut /Docs/A", "Keep /Docs/C: " + std::string(kMarked),
                  "Skip D: a shortcut whose folder \"Nowhere\" is not a named target",
                  "Skip ../e: not the name of one entry, in /Docs"}},
        PlanCase{"a name holding a NUL is no entry's name: neither it nor a cut of it is removed",
                 R"(<directory fileName="d&#0;x"><file fileName="y"/></directory>
                    <file fileName="f&#0;x"/><file fileName="ok"/>)",
                 kEditor,
                 {"Target /E", "Skip d\0x: not the name of one entry, in /E"s,
                  "Skip f\0x: not the name of one entry, in /E"s, "RemoveItem /E/ok"}},
        PlanCase{"a shortcut's name or folder holding a NUL is read whole, and refused",
                 R"(<file fileName="a"><shortCut name="H&#0;x" dir="Docs"/></file>
                    <file fileName="b"><shortCut name="B" dir="Docs&#0;x"/></file>)",
                 R"(<target name="Docs" path="/Docs"/>)",
                 {"Skip H\0x: not the name of one entry, in /Docs"s,
                  "Skip B: a shortcut whose folder \"Docs\0x\" is not a named target"s}},
        PlanCase{"each path and each refused name's folder is the whole way down from the target",
                 R"(<directory fileName="A"><directory fileName="B"><file fileName="../x"/>
                    <file fileName="c" dontdelete="1"/></directory></directory>)",
                 R"(<target host="Editor" path="/E/F//"/>)",
                 {"Target /E/F", "Enter /E/F/A", "Enter /E/F/A/B",
                  "Skip ../x: not the name of one entry, in /E/F/A/B",
                  "Keep /E/F/A/B/c: " + std::string(kMarked),
                  "Leave /E/F/A/B: " + std::string(kHeld), "Leave /E/F/A: " + std::string(kHeld)}}};
    for (const PlanCase& c : cases)
        EXPECT_EQ(Plan(c.installFiles, c.targets), c.expected) << c.rule;
}

} // namespace
