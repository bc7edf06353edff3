// Remover in a dry run: each entry is only looked at, and its line says what
// the removal would do.
#include "Remover.h"

#include "ScratchTree.h"

#include <vector>

namespace {

using scratch::Snapshot;
using scratch::Tree;
using Action = RemovalPlan::Action;
using LineKind = Remover::Line::Kind;

struct DryRunCase {
    const char* what;
    std::initializer_list<std::string> entries;
    LineKind last;
    Tree left;
};

class RemoverDryRun : public scratch::ScratchTree {
protected:
    // Runs `actions` (the first opening "t") as a dry run on each case's
    // fresh "t", and checks the last line and that nothing changed.
    void Check(const std::vector<DryRunCase>& cases, std::vector<Action> actions) {
        actions.insert(actions.begin(), Action{Action::Kind::Target, "", "", P("t")});
        RemovalPlan plan;
        plan.actions = actions;
        for (const DryRunCase& c : cases) {
            std::filesystem::remove_all(P("t"));
            Make({"t/"});
            Make(c.entries);
            MakeProtected();
            std::vector<Remover::Line> lines;
            Remover::Run(plan, Remover::Mode::Check,
                         [&](const Remover::Line& line) { lines.push_back(line); });
            ASSERT_FALSE(lines.empty()) << c.what;
            EXPECT_EQ(lines.back().kind, c.last) << c.what << ": " << lines.back().Text();
            EXPECT_EQ(Snapshot(P("t")), c.left) << c.what;
            EXPECT_TRUE(ProtectedUntouched()) << c.what;
        }
    }
};

TEST_F(RemoverDryRun, ItemIsOnlyLookedAt) {
    const Tree bundle = {{"a", "/"}, {"a/x", "t/a/x"}};
    Check({{"a present bundle", {"t/a/x"}, LineKind::Removed, bundle},
           {"an absent one", {}, LineKind::Absent, {}}},
          {{Action::Kind::RemoveItem, "a", "", "", 0}});
}

TEST_F(RemoverDryRun, ContainerCountsAsEmptyWhenAllItHoldsGoes) {
    const Tree bundle = {{"a", "/"}, {"a/x", "t/a/x"}};
    Check({{"a folder holding only what goes", {"t/a/x"}, LineKind::Removed, bundle},
           {"a folder holding more",
            {"t/a/x", "t/a/y"},
            LineKind::Kept,
            {{"a", "/"}, {"a/x", "t/a/x"}, {"a/y", "t/a/y"}}}},
          {{Action::Kind::Enter, "a", "", "", 0},
           {Action::Kind::RemoveItem, "x", "", "", 1},
           {Action::Kind::Leave, "a", "", "", 0}});
}

} // namespace
