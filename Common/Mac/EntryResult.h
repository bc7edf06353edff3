// EntryResult: what became of one entry of a folder that was to go.
//
//   const EntryResult result = TreeRemoval::RemoveItemAt(folder, "Blur.plugin");
//   if (result.status == EntryResult::Status::Failed)
//       std::cerr << result.Reason();  // "Contents/x: Permission denied"
#ifndef QE_ENTRYRESULT_H
#define QE_ENTRYRESULT_H

#include "Outcome.h"

#include <string>
#include <utility>

struct EntryResult {
    /// Removed (or, in a dry run, would be), not there, left in place on
    /// purpose, or not removed because of a failure.
    enum class Status { Done, Absent, Kept, Failed };

    static EntryResult Done() { return {Status::Done, std::string(), Outcome::Success()}; }
    static EntryResult Absent() { return {Status::Absent, std::string(), Outcome::Success()}; }
    static EntryResult Kept(std::string why) {
        return {Status::Kept, std::move(why), Outcome::Success()};
    }
    static EntryResult Failed(Outcome failure) {
        return {Status::Failed, std::string(), std::move(failure)};
    }
    /// A failure that is the program's own finding, not a system call's.
    static EntryResult Refused(std::string why) {
        return Failed(Outcome::Failure(0, std::move(why)));
    }

    Status status;
    /// Why it was kept; empty otherwise.
    std::string why;
    /// Why it failed; a success otherwise.
    Outcome failure;

    /// Why it was kept or failed, as reported; empty otherwise.
    const std::string& Reason() const { return status == Status::Failed ? failure.Message() : why; }
};

#endif
