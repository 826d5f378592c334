#pragma once
// Every place a run keeps its own things, worked out once from the scope
// (for the machine or for the current user) and the run's rights, and passed
// down to whatever reads or writes them: the uninstall entries' and the
// counts' hive, the uninstaller's folder (where large records are kept
// too), the journals' folder, and the user's profile. What an elevated run
// may act on follows from these places alone:
// - for the machine: HKEY_LOCAL_MACHINE, the Windows folder;
// - for the current user: HKEY_CURRENT_USER and "Book Setup" in the user's
//   local application data, as the system's known-folder call names it
//   (never a value under HKEY_CURRENT_USER that any program may change);
// - the journals where runs of the same rights keep theirs: the machine's
//   folder (in the Windows folder) for an elevated run, for the current user
//   too; the user's own for a run without elevation.
// Window-free.
#include <windows.h>

#include <string>
#include <utility>

#include "record/InstallScope.h"
#include "record/SharedFiles.h"

// Where a run keeps its journals: the machine's folder (an elevated run's),
// or the user's own (a run without elevation).
struct JournalPlace {
    JournalPlace() = default;
    // A folder alone is the machine's, as setup's journals' folders were before.
    JournalPlace(std::string folder, bool machine = true) : folder(std::move(folder)), machine(machine) {}
    std::string folder;
    bool machine = true;
    // Where setups of earlier versions kept them: repaired, never written.
    std::string earlier;
};

struct ScopePlaces {
    InstallScope scope = InstallScope::Machine;
    bool elevated = true;           // the run holds administrator rights
    HKEY hive = HKEY_LOCAL_MACHINE;  // the uninstall entries and the counts
    std::string countsKey = kSharedFilesKeyPath;  // the counts' key below the hive
    // The uninstaller every book of the scope shares, and the record files
    // too large for an entry. Empty when the system does not tell.
    std::string uninstallerFolder;
    JournalPlace journals;  // its folder empty when the system does not tell
    // The current user's profile: a per-user book's file outside it may be
    // one a book of the machine counts on.
    std::string userProfile;
};

ScopePlaces PlacesFor(InstallScope scope, bool elevated);
