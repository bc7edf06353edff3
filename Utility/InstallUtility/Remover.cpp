#include "Remover.h"

#include "PrintableText.h"

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Action = RemovalPlan::Action;
using Kind = Action::Kind;
using Line = Remover::Line;
using Result = TreeRemoval::Result;
using Status = TreeRemoval::Status;

Line::Kind LineKindOf(Status status) {
    switch (status) {
    case Status::Done:
        return Line::Kind::Removed;
    case Status::Absent:
        return Line::Kind::Absent;
    case Status::Kept:
        return Line::Kind::Kept;
    case Status::Failed:
        break;
    }
    return Line::Kind::Failed;
}

class Execution {
public:
    Execution(const RemovalPlan& plan, TreeRemoval::Mode mode, const Remover::Report& report)
        : plan(plan), mode(mode), report(report) {}

    void Do(std::size_t index) {
        const Action& action = plan.actions[index];
        current = index;
        // What is skipped is told of wherever it stands: it is about the two
        // files, not the disk.
        if (action.kind == Kind::Skip)
            return report({Line::Kind::Skipped, action.name, plan.WhyOf(index), false});
        if (action.kind == Kind::Target || action.kind == Kind::RemoveShortcut) {
            targetEnded = false;
            skippedLevels = 0;
        }
        if (targetEnded || SkippedInsideContainer(action.kind))
            return;
        switch (action.kind) {
        case Kind::Target:
            return OpenTarget(action);
        case Kind::Enter:
            return Enter(action);
        case Kind::Leave:
            return Leave(action);
        case Kind::RemoveItem:
            return Say(action, TreeRemoval::RemoveItemAt(chain->Current(), action.name, mode));
        case Kind::RemoveShortcut:
            return RemoveShortcut(action);
        case Kind::Keep:
            return Say(action, {Status::Kept, action.why});
        case Kind::Skip:
            break;
        }
    }

    bool Succeeded() const { return succeeded; }

private:
    // Inside a container that was not entered nothing is done, down to the
    // Leave that ends it.
    bool SkippedInsideContainer(Kind kind) {
        if (skippedLevels == 0)
            return false;
        if (kind == Kind::Enter)
            ++skippedLevels;
        else if (kind == Kind::Leave)
            --skippedLevels;
        return true;
    }

    void OpenTarget(const Action& action) {
        chain.reset();
        goingAway.clear();
        Descriptor folder;
        const Result opened = TreeRemoval::OpenTargetFolder(action.folder, folder);
        if (opened.status != Status::Done) {
            Say(action, opened);
            targetEnded = true;
            return;
        }
        chain.emplace(std::move(folder));
        goingAway.emplace_back();
    }

    void Enter(const Action& action) {
        const Result entered = chain->Enter(action.name);
        if (entered.status == Status::Done) {
            goingAway.emplace_back();
            return;
        }
        Say(action, entered);
        skippedLevels = 1;
    }

    void Leave(const Action& action) {
        const Result left = chain->Leave();
        if (left.status != Status::Done) {
            Say(action, left);
            targetEnded = true;
            return;
        }
        const std::set<std::string> entriesGone = std::move(goingAway.back());
        goingAway.pop_back();
        if (!action.why.empty())
            return Say(action, {Status::Kept, action.why});
        Say(action,
            TreeRemoval::RemoveEmptyFolderAt(chain->Current(), action.name, mode, entriesGone));
    }

    // The shortcuts of one named target follow each other: its folder is
    // opened once for them all, as a host target is for its tree.
    void RemoveShortcut(const Action& action) {
        if (!shortcutFolder.IsOpen() || shortcutFolderPath != action.folder) {
            shortcutFolder.Reset();
            const Result opened = TreeRemoval::OpenTargetFolder(action.folder, shortcutFolder);
            if (opened.status != Status::Done) {
                shortcutFolder.Reset();
                return Say(action, opened);
            }
            shortcutFolderPath = action.folder;
        }
        Say(action, TreeRemoval::RemoveLinkAt(shortcutFolder.Get(), action.name, mode));
    }

    void Say(const Action& action, const Result& result) {
        const bool entryOfFolder = action.kind == Kind::RemoveItem || action.kind == Kind::Leave;
        if (result.status == Status::Done && entryOfFolder)
            goingAway.back().insert(action.name);
        if (result.status == Status::Failed && !action.ignoreErrors)
            succeeded = false;
        // The path is put together only here, for the one line that needs it.
        report(
            {LineKindOf(result.status), plan.PathOf(current), result.reason, action.ignoreErrors});
    }

    const RemovalPlan& plan;
    const TreeRemoval::Mode mode;
    const Remover::Report& report;
    std::optional<TreeRemoval::Folders> chain;
    // Per folder entered, the entries of it that were removed (or would be).
    std::vector<std::set<std::string>> goingAway;
    Descriptor shortcutFolder;
    std::string shortcutFolderPath;
    // The index of the action being carried out.
    std::size_t current = 0;
    int skippedLevels = 0;
    bool targetEnded = false;
    bool succeeded = true;
};

} // namespace

std::string Remover::Line::Text() const {
    static const char* const kWords[] = {"removed", "kept", "absent", "failed", "skipped"};
    std::string text =
        std::string(kWords[static_cast<int>(kind)]) + " " + PrintableText::Escaped(subject);
    if (kind == Kind::Kept || kind == Kind::Failed || kind == Kind::Skipped)
        text += ": " + PrintableText::Escaped(why);
    if (kind == Kind::Failed && ignored)
        text += " (ignored: the entry allows install errors)";
    return text;
}

bool Remover::Run(const RemovalPlan& plan, TreeRemoval::Mode mode, const Report& report) {
    Execution execution(plan, mode, report);
    for (std::size_t index = 0; index < plan.actions.size(); ++index)
        execution.Do(index);
    return execution.Succeeded();
}
