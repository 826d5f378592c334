#pragma once
// Repairing the runs that did not end: at the next start of setup of any
// book, or of the product's uninstaller, each unfinished run's journal is
// undone (RunUndo.h), or finished when its copy had completed. Window-free.
#include <string>
#include <vector>

#include "journal/JournalTrust.h"
#include "journal/RunJournal.h"
#include "journal/RunUndo.h"

struct RepairResult {
    std::vector<NotPutBack> notPutBack;
    int repaired = 0;  // journals undone (or finished) and gone
    int left = 0;      // journals kept for a later start: a drive away, something not undone
    // For the log: journals and folders not setup's, paths left alone.
    std::vector<std::string> notes;
};

// Undoes every unfinished run whose journal lies in the place's folder, or
// in one an earlier setup made beside it (only the product's when `product`
// is given). Only a journal the run may trust is carried out (see
// JournalTrust.h: the place is the run's own, of its own rights), and of it
// only the steps inside the run's folders (RunFolders.h); one whose way does
// not start on the way to its install folder is refused whole. A run still
// going on (another setup holds its journal open) is left alone, and one whose
// start is away or missing (a drive that is out, a link to one) is kept.
RepairResult RepairUnfinishedRuns(const JournalPlace& place, const std::string& product = {});

// After a run into `installFolder` completed: the journals of older runs
// into that folder (tried at this start already) go, undone or not, so that
// none of them ever touches the new files; an original one of them kept
// stays where it is, named in the notes.
RepairResult RetireOlderRuns(const JournalPlace& place, const std::string& installFolder);

// The message that names each file not put back and where its original lies:
// `text` (SETUP.TXT's, or the English default when empty) with its one "%s"
// taking the list.
std::string RestoreProblemMessage(const std::string& text, const std::vector<NotPutBack>& files);
