#include "Remover.h"

#include "EntryLook.h"
#include "FolderChain.h"
#include "PrintableText.h"
#include "TreeRemoval.h"
#include "TrustedPath.h"

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

// The folder at `path`, opened from "/" by TrustedPath alone.
Result OpenTargetFolder(const std::string& path, Descriptor& folder) {
    const TrustedPath::Result opened =
        TrustedPath::OpenFolder(path, FolderTrust::ForThisProcess(), folder);
    switch (opened.status) {
    case TrustedPath::Result::Status::Opened:
        return Result::Done();
    case TrustedPath::Result::Status::Absent:
        return Result::Absent();
    case TrustedPath::Result::Status::Refused:
        break;
    }
    return Result::Refused(opened.reason);
}

// A dry run's verdicts: what the removal would say of the entry, found by
// looking only. Only the entry itself is looked at, not what a folder holds.
Result WouldRemoveItem(int parent, const std::string& name) {
    EntryLook::Kind kind;
    const Result found = EntryLook::KindOf(parent, name, kind);
    if (found.status != Status::Done)
        return found;
    return EntryLook::Guard(parent, name, FolderTrust::ForThisProcess());
}

// Done when the entry is of the kind `wanted`; Kept, saying why, when it is
// of another.
Result OfKind(int parent, const std::string& name, EntryLook::Kind wanted, const char* otherwise) {
    EntryLook::Kind kind;
    const Result found = EntryLook::KindOf(parent, name, kind);
    if (found.status != Status::Done || kind == wanted)
        return found;
    return Result::Kept(otherwise);
}

// A folder counts as empty when every entry it holds is among `goingAway`.
Result WouldRemoveEmptyFolder(int parent, const std::string& name,
                              const std::set<std::string>& goingAway) {
    const Result named = EntryLook::Named(name);
    if (named.status != Status::Done)
        return named;
    const Result guarded = EntryLook::Guard(parent, name, FolderTrust::ForThisProcess());
    if (guarded.status != Status::Done)
        return guarded;
    const Result folder = OfKind(parent, name, EntryLook::Kind::Folder, "not a folder");
    if (folder.status != Status::Done)
        return folder;
    return EntryLook::HoldsOnly(parent, name, goingAway) ? Result::Done()
                                                         : Result::Kept("not empty");
}

Result WouldRemoveLink(int parent, const std::string& name) {
    const Result link = OfKind(parent, name, EntryLook::Kind::Link, "not a symbolic link");
    if (link.status != Status::Done)
        return link;
    return EntryLook::Guard(parent, name, FolderTrust::ForThisProcess());
}

class Execution {
public:
    Execution(const RemovalPlan& plan, Remover::Mode mode, const Remover::Report& report)
        : plan(plan), dryRun(mode == Remover::Mode::Check), report(report) {}

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
            return RemoveItem(action);
        case Kind::RemoveShortcut:
            return RemoveShortcut(action);
        case Kind::Keep:
            return Say(action, Result::Kept(action.why));
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
        const Result opened = OpenTargetFolder(action.folder, folder);
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
            return Say(action, Result::Kept(action.why));
        const int folder = chain->Current();
        Say(action, dryRun ? WouldRemoveEmptyFolder(folder, action.name, entriesGone)
                           : TreeRemoval::RemoveEmptyFolderAt(folder, action.name));
    }

    void RemoveItem(const Action& action) {
        const int folder = chain->Current();
        Say(action, dryRun ? WouldRemoveItem(folder, action.name)
                           : TreeRemoval::RemoveItemAt(folder, action.name));
    }

    // The shortcuts of one named target follow each other: its folder is
    // opened once for them all, as a host target is for its tree.
    void RemoveShortcut(const Action& action) {
        if (!shortcutFolder.IsOpen() || shortcutFolderPath != action.folder) {
            shortcutFolder.Reset();
            const Result opened = OpenTargetFolder(action.folder, shortcutFolder);
            if (opened.status != Status::Done) {
                shortcutFolder.Reset();
                return Say(action, opened);
            }
            shortcutFolderPath = action.folder;
        }
        const int folder = shortcutFolder.Get();
        Say(action, dryRun ? WouldRemoveLink(folder, action.name)
                           : TreeRemoval::RemoveLinkAt(folder, action.name));
    }

    void Say(const Action& action, const Result& result) {
        const bool entryOfFolder = action.kind == Kind::RemoveItem || action.kind == Kind::Leave;
        if (result.status == Status::Done && entryOfFolder)
            goingAway.back().insert(action.name);
        if (result.status == Status::Failed && !action.ignoreErrors)
            succeeded = false;
        // The path is put together only here, for the one line that needs it.
        report({LineKindOf(result.status), plan.PathOf(current), result.Reason(),
                action.ignoreErrors});
    }

    const RemovalPlan& plan;
    // Nothing changes: each entry is only looked at.
    const bool dryRun;
    const Remover::Report& report;
    std::optional<FolderChain> chain;
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

bool Remover::Run(const RemovalPlan& plan, Mode mode, const Report& report) {
    Execution execution(plan, mode, report);
    for (std::size_t index = 0; index < plan.actions.size(); ++index)
        execution.Do(index);
    return execution.Succeeded();
}
