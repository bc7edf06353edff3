// Remover: carries a removal plan out on the disk, or only checks it, and
// says what became of each entry.
#ifndef QE_REMOVER_H
#define QE_REMOVER_H

#include "RemovalPlan.h"

#include <functional>
#include <string>

class Remover {
public:
    /// One entry's outcome, as a report line.
    struct Line {
        enum class Kind { Removed, Kept, Absent, Failed, Skipped };
        Kind kind;
        /// The entry's path, or the skipped name.
        std::string subject;
        std::string why;
        /// A failure that the entry's ignoreInstallErrors lets pass.
        bool ignored = false;

        /// "removed PATH", "kept PATH: why", "absent PATH", "failed PATH: why"
        /// or "skipped NAME: why", with control characters and bytes that
        /// are not UTF-8 escaped, so one line is always one line.
        std::string Text() const;
    };
    using Report = std::function<void(const Line&)>;
    /// Whether a run removes, or is a dry run that only looks (EntryLook) and
    /// says what it would remove.
    enum class Mode { Remove, Check };

    /// Carries `plan` out in order, every action relative to the folders it
    /// opened, and gives `report` one line per entry. A failure is reported
    /// and the rest goes on; a target folder that cannot be opened, or a
    /// folder moved away while it was worked in, ends that target's part.
    /// In Check mode (a dry run) nothing changes: each entry is only looked
    /// at, and the lines are those a removal would give, if nothing failed.
    /// False when an action failed whose entry does not ignore install errors.
    static bool Run(const RemovalPlan& plan, Mode mode, const Report& report);
};

#endif
