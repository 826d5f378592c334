#pragma once
// Removing what the install record names, and only that: a recorded file
// only while it is as setup wrote it, the shortcut, then each recorded folder
// that is empty by then, deepest first. Window-free.
#include "record/InstallRecord.h"

struct RemovalResult {
    // Every recorded file, shortcut and folder is gone.
    bool everythingRemoved = true;
    // Something setup put there could not be removed (in use, denied), as
    // opposed to staying because the reader changed it or keeps files in it.
    bool failed = false;
    // What of the record is still on the disk, for a later attempt.
    InstallRecord left;
};

RemovalResult RemoveRecorded(const InstallRecord& record);
