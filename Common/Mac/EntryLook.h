// EntryLook: looking at an entry of an open folder without changing anything,
// and never through a link: what it is, whether it may be touched, what a
// folder holds. The removal acts on what it says; a dry run only reports it.
//
//   EntryLook::Kind kind;
//   EntryLook::KindOf(folder, "Blur.plugin", kind);
//   if (kind == EntryLook::Kind::Folder)
//       ...;
#ifndef QE_ENTRYLOOK_H
#define QE_ENTRYLOOK_H

#include "EntryResult.h"
#include "FolderTrust.h"

#include <set>
#include <string>

class EntryLook {
public:
    /// What an entry is itself; a link is never followed.
    enum class Kind { Absent, Link, Folder, Other };

    /// Done when `name` names one entry of a folder: not empty, ".", ".."
    /// or holding a "/"; Failed otherwise.
    static EntryResult Named(const std::string& name);
    /// What the entry `name` of the folder open as `parent` is, into `kind`:
    /// Done, or Absent when not there; Failed for a name that is not one
    /// entry's, or an entry that cannot be looked at.
    static EntryResult KindOf(int parent, const std::string& name, Kind& kind);
    /// Done when the entry `name` of `parent` may be touched: always, but in
    /// a folder every user may write to only when it is root's or the
    /// trusted user's (Failed); Absent when not there.
    static EntryResult Guard(int parent, const std::string& name, const FolderTrust& trust);
    /// Kept, as "a symbolic link" or "not a folder": the entry `name` of
    /// `parent`, where a folder was looked for, is left alone whatever it is.
    static EntryResult NotARealFolder(int parent, const std::string& name);
    /// True when `name` of `parent` is a folder (not a link to one) that
    /// holds no entry but those among `goingAway`.
    static bool HoldsOnly(int parent, const std::string& name,
                          const std::set<std::string>& goingAway);
};

#endif
