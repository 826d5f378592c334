#pragma once
// Removing what the install record names, and only that: a recorded file
// only while its content is as setup wrote it (a shared one only when no other
// product counts on it any more; one outside the book's folder that the
// record does not mark so only when no product counts on it at all), the
// shortcut likewise, then each recorded folder that is empty by then, deepest
// first, and last this product's reference to the shared uninstaller.
// Each file is opened through the door (record/RecordedWays) and checked and
// deleted through that one handle; nothing is followed through a link, and
// nothing is done while a drive the record names is away. The counts are the
// scope's: a book installed for the current user gives back that user's
// counts, never the machine's; and of its files outside the user's profile,
// one that a book of the machine counts on (SharedDLLs) stays. Run with
// administrator rights for such a book, it touches nothing outside that
// profile at all (record/ProfileBound).
// Window-free.
#include <functional>
#include <string>
#include <vector>

#include "record/InstallRecord.h"
#include "record/ScopePlaces.h"

struct RemovalResult {
    // Every recorded file, shortcut and folder is gone (or, for a shared
    // file, left to the products still counting on it).
    bool everythingRemoved = true;
    // Something setup put there could not be removed (in use, denied), as
    // opposed to staying because the reader changed it or keeps files in it.
    bool failed = false;
    // A drive the record names cannot be reached: nothing was changed.
    bool driveAway = false;
    // The last book's uninstaller is this running program, which could be
    // neither deleted nor moved aside: it stays, with its count.
    bool programKept = false;
    // A run with administrator rights for a book of the current user: what
    // the record names outside that user's profile, left untouched for the
    // user's own removal (the entry stays with it).
    std::vector<std::string> outsideProfile;
    // What of the record is still on the disk, for a later attempt.
    InstallRecord left;
    // The entry must stay, with `left`, for a later removal.
    bool KeepsEntry() const { return failed || !outsideProfile.empty(); }
};

// Whether the root of every drive the record names (its install folder's and
// each entry's) can be reached now. A stick that was pulled out or a network
// drive that is not connected makes every file on it look gone; removing the
// book then would drop the record and leave the files behind for good.
bool RecordedDrivesThere(const InstallRecord& record);

// Asked about a recorded file that could not be removed because another
// program holds it; true to try it again.
using HeldFileRetry = std::function<bool(const std::string& path)>;

// `runningProgram`: this uninstaller's own file, which the last book's
// removal takes away too when the record names it as the shared uninstaller.
// `retryHeld`, when given, is asked about each file another program holds.
RemovalResult RemoveRecorded(const InstallRecord& record, const std::string& runningProgram,
                             const ScopePlaces& places, const HeldFileRetry& retryHeld = {});
