#pragma once
// Undoing a run's changes from its journal, newest first: for a run the user
// abandoned (at its end), and for a run cut short (at the next start of setup
// of any book, or of the product's uninstaller). The reader's files come back
// as they were; what the run wrote and the folders it made go. Window-free.
#include <string>
#include <vector>

#include "record/JournalTrust.h"
#include "record/RunJournal.h"

// A reader's file that could not be put back (the file at its name is held
// open by another program): where it belongs and where its original lies.
struct NotPutBack {
    std::string path;
    std::string kept;
    bool operator==(const NotPutBack&) const = default;
};

struct UndoResult {
    // Everything of the run is undone, or settled: a name that holds a file
    // no longer the run's (a later run's, the reader's) is left as it is,
    // and nothing more can ever be done for it. Otherwise (a link on the
    // way, the install folder no longer the one the run installed into, a
    // file that could not be opened, deleted or moved back) the journal is
    // kept, so that a later start tries again.
    bool whole = true;
    // The reader's files not put back, whatever kept them: the message names
    // each with where its original lies.
    std::vector<NotPutBack> notPutBack;
    // For the log: what was left alone and why, with where an original stays.
    std::vector<std::string> notes;
};

// Undoes the steps, newest first, so that a path the run changed twice comes
// back as the reader had it. Each step may have been undone already (an undo
// cut short is undone again): a kept file that is no longer there has come
// back, or never moved, and its name is left alone. A folder goes only when
// it is empty: what else the reader keeps there is never touched. Nothing
// is done through a link: a step whose path passes one below
// `installFolder` (the path included) is left alone. The install folder is
// what the reader chose, whatever link it is; it is acted in only while it
// is `installIdentity` (a journal of an earlier setup, which did not note
// it, has the folder itself checked as a link). A file that is no longer as
// the run left it (a later run's, the reader's) is neither deleted nor
// covered with the kept original. Each file and folder is checked and acted
// on through one handle, the folders on its way held meanwhile.
UndoResult UndoRun(const std::vector<JournalStep>& steps, const std::string& installFolder,
                   const std::optional<FileIdentity>& installIdentity = std::nullopt, const WayStart& start = {});

// After a completed run: deletes the kept originals where the run's own copy
// stands in their place (never one whose put-back failed, never through a
// link); those that could not be deleted come back. `notes` hears of what
// was left alone.
std::vector<std::string> DiscardKeptOriginals(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                              const std::optional<FileIdentity>& installIdentity,
                                              std::vector<std::string>* notes = nullptr,
                                              const WayStart& start = {});

// The kept files below the folder (links are not walked into) whose names
// carry the mark, as steps: for the kept files whose journal lines never
// reached the disk.
std::vector<JournalStep> FindMarkedKeptFiles(const std::string& folder, const std::string& mark);

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
// only the steps inside the run's folders (RunFolders.h). A run still going
// on (another setup holds its journal open) is left alone, as is one on a
// drive that is away.
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
