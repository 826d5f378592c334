#pragma once
// Which journals setup may carry out: only those in a folder of its own, in
// a file that the system, the Administrators or the user running setup
// wrote. A journal names files to delete and to move, and setup runs
// elevated: one another user could have written would steer it. The
// journals' folder is made with rights of its own (the system and the
// Administrators write, Users read, nothing inherited); a folder at that
// name that is not setup's is never used, and setup makes its own beside it.
// Window-free.
#include <windows.h>

#include <string>
#include <vector>

#include "record/InstallScope.h"

// Who owns a file or folder, as far as trusting it goes.
enum class Owner { System, Administrators, ThisUser, Other };

// What stands at a path.
enum class PathKind { Missing, Folder, File, Link };

struct JournalStanding {
    PathKind folder = PathKind::Missing;
    Owner folderOwner = Owner::Other;
    PathKind journal = PathKind::Missing;
    Owner journalOwner = Owner::Other;
};

// The rule: the folder a folder and the journal a file (neither a link nor
// any other reparse point), each owned by the system, the Administrators or
// the user running setup. With `journal` Missing, whether the folder alone
// may hold journals.
bool MayCarryOut(const JournalStanding& standing);

// What stands at the path and who owns it (Other when the owner cannot be read).
PathKind KindOf(const std::string& path);
Owner OwnerOf(const std::string& path);
// The owner of what the handle holds (opened with READ_CONTROL): read from
// the very file or folder then acted on, not from whatever its path names.
Owner OwnerOfHandle(HANDLE handle);

// The rights setup gives the machine's journals' folder, in the system's
// security descriptor language.
extern const char* const kJournalFolderRights;

// The journal folders in use at `wanted`: the folder itself when it is
// setup's, then those setup made beside it ("wanted 2" to "wanted 9") that
// are its own. `notes` hears of each folder at those names that is not
// setup's (for the log).
std::vector<std::string> OwnJournalFolders(const std::string& wanted, std::vector<std::string>* notes = nullptr);

// The folder a run keeps its journal in: the first of those folders that is
// setup's, made when missing (for the machine with the rights above; for the
// current user as its own profile gives them). Empty when none can be had.
std::string MakeOwnJournalFolder(const std::string& wanted, InstallScope scope, std::vector<std::string>* notes);
