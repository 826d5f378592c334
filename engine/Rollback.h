#pragma once
// The end of a run's copy: an abandoned run is undone, so that the disk is
// as setup found it; a completed one lets go of the reader's replaced files
// it kept. Window-free.
#include "engine/CopyOutcome.h"

// Undoes what the copy did: removes every file it wrote where none stood,
// puts every replaced file back (the kept file itself, so its content,
// attributes and times are as they were), then removes the folders created
// for the run, deepest first, each only when it is empty by then: whatever
// else the reader keeps there is never touched. False when a written file
// could not be removed or a kept file not put back; a kept file that cannot
// go back stays where it is kept, never deleted.
bool RollBack(const CopyOutcome& outcome);

// After a completed run: deletes the kept originals of the replaced files.
void DiscardKeptOriginals(const CopyOutcome& outcome);
