#pragma once
// Undoing a run's changes from its journal, newest first: for a run the user
// abandoned (at its end), and for a run cut short (at the next start of setup
// of any book, or of the product's uninstaller). The reader's files come back
// as they were; what the run wrote and the folders it made go. Window-free.
#include <string>
#include <vector>

#include "record/RunJournal.h"

// A reader's file that could not be put back (the file at its name is held
// open by another program): where it belongs and where its original lies.
struct NotPutBack {
    std::string path;
    std::string kept;
    bool operator==(const NotPutBack&) const = default;
};

struct UndoResult {
    // Everything of the run is undone; otherwise its journal is kept, so that
    // a later start tries again.
    bool whole = true;
    std::vector<NotPutBack> notPutBack;
};

// Undoes the steps, newest first, so that a path the run changed twice comes
// back as the reader had it. Each step may have been undone already (an undo
// cut short is undone again): a kept file that is no longer there has come
// back, or never moved, and its name is left alone. A folder goes only when
// it is empty: what else the reader keeps there is never touched.
UndoResult UndoRun(const std::vector<JournalStep>& steps);

// After a completed run: deletes the kept originals; those that could not be
// deleted come back.
std::vector<std::string> DiscardKeptOriginals(const std::vector<JournalStep>& steps);

// The kept files below the folder (links are not walked into) whose names
// carry the mark, as steps: for the kept files whose journal lines never
// reached the disk.
std::vector<JournalStep> FindMarkedKeptFiles(const std::string& folder, const std::string& mark);

struct RepairResult {
    std::vector<NotPutBack> notPutBack;
    int repaired = 0;  // journals undone (or finished) and gone
    int left = 0;      // journals kept for a later start: a drive away, something not undone
};

// Undoes every unfinished run whose journal lies in the folder (only the
// product's when `product` is given). A run still going on (another setup
// holds its journal open) is left alone, as is one on a drive that is away.
RepairResult RepairUnfinishedRuns(const std::string& journalFolder, const std::string& product = {});

// The message that names each file not put back and where its original lies:
// `text` (SETUP.TXT's, or the English default when empty) with its one "%s"
// taking the list.
std::string RestoreProblemMessage(const std::string& text, const std::vector<NotPutBack>& files);
