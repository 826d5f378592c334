#pragma once
// What a journal may name: its steps stay inside the run's own folders, the
// folder it installs into (and what is below it) and the folders it made on
// the way there. A step anywhere else (the Windows folder, another book, a
// path that climbs out with ".." or names a stream or a device) was never a
// step of a setup run, whoever wrote it: it is refused. Window-free.
#include <string>

#include "journal/RunJournal.h"

// Whether the step lies inside the run's folders: a file (and where it is
// kept) strictly below the install folder; a folder below it, the folder
// itself, or one on the way to it below (or at) `start`, where the run's way
// starts, when the journal noted it.
bool InsideRunFolders(const JournalStep& step, const std::string& installFolder, const std::string& start = {});

// Whether the run's way starts where a run's can: at the install folder or a
// folder on the way to it, a plain full path. A journal of an earlier setup,
// which noted no start, starts at its install folder.
bool StartOnTheWay(const WayStart& start, const std::string& installFolder);
