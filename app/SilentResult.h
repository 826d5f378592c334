#pragma once
// How an unattended run (/S) ended, as its exit code tells the script or
// package manager that started it. An interactive run always ends with 1,
// which no unattended run gives. Window-free.
#include <cstdint>

#include "engine/CopyOutcome.h"

enum class SilentResult : int {
    Installed = 0,
    BadSwitch = 2,           // an unknown switch, a switch without its value, a log that cannot be written
    NoRoom = 3,              // the destination's drive has less room than FileSize, or filled up during the copy
    DestinationNotMade = 4,  // the destination folder could not be made (no such drive, a name the system refuses)
    CodeDirMissing = 5,      // the medium has no CodeDir folder
    MediumUnreadable = 6,    // SETUP.INI or a folder of the medium could not be read
    CopyFailed = 7,          // a file could not be copied or expanded
    NoJournal = 8,           // the run's journal could not be begun on the disk; nothing was changed
    AllUsersRefused = 9,     // /ALLUSERS without administrator rights: nothing was touched
    NoWayBack = 10,          // installed, but its uninstaller or uninstall entry could not be written
    ScriptLineFailed = 11,   // installed and registered; a line of the command script failed
    FileInUse = 12,          // a file of the book stayed held by another program; the copy was undone
};

inline int ExitCodeOf(SilentResult result) { return static_cast<int>(result); }

// What a copy that has stopped came to. `freeBytes`: the destination drive's
// free space right after the copy stopped (before any undoing): a file that
// failed while the drive had less room than that file is a drive that filled
// up, not a damaged file.
SilentResult ResultOfCopy(const CopyOutcome& outcome, uint64_t freeBytes);

// The log's closing line for the result.
const char* DescribeResult(SilentResult result);
