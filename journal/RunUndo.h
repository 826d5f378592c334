#pragma once
// Undoing a run's changes from its journal's steps, newest first: for a run
// the user abandoned (at its end), and for a run cut short (at the next start
// of setup of any book, or of the product's uninstaller). The reader's files
// come back as they were; what the run wrote and the folders it made go.
// Every step is reached down the run's way (RunWay.h), folder by held folder
// from where the way starts, and checked and acted on through one handle.
// Window-free.
#include <optional>
#include <string>
#include <vector>

#include "journal/RunJournal.h"

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
    // and nothing more can ever be done for it; a folder of the way that is
    // gone below a held one took what the run put there with it. Otherwise
    // (a link on the way, the start or the install folder missing, away or
    // no longer the one the run noted, a file that could not be opened,
    // deleted or moved back) the journal is kept, so that a later start
    // tries again.
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
// it is empty, is the one the run made there (where the journal noted
// which), and is no link: what else the reader keeps there is never touched.
// `start` is where the run's way starts (RunJournal::Start); `installIdentity`
// which folder the run installed into. A file that is no longer as the run
// left it (a later run's, the reader's) is neither deleted nor covered with
// the kept original.
UndoResult UndoRun(const std::vector<JournalStep>& steps, const std::string& installFolder,
                   const std::optional<FileIdentity>& installIdentity = std::nullopt, const WayStart& start = {});

// After a completed run: deletes the kept originals where the run's own copy
// stands in their place (never one whose put-back failed, never through a
// link); those that could not be deleted, or not reached (a link on the way,
// the start away), come back. `notes` hears of what was left alone.
std::vector<std::string> DiscardKeptOriginals(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                              const std::optional<FileIdentity>& installIdentity,
                                              std::vector<std::string>* notes = nullptr,
                                              const WayStart& start = {});

// The originals of a completed run whose put-back failed during the copy,
// tried once more where nothing stands at their names; those still kept.
std::vector<NotPutBack> PutBackFailedOriginals(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                               const std::optional<FileIdentity>& installIdentity,
                                               const WayStart& start = {});

// The kept files below the install folder (reached down the run's way; links
// are not walked into) whose names carry the mark, as steps: for the kept
// files whose journal lines never reached the disk.
std::vector<JournalStep> FindMarkedKeptFiles(const std::string& installFolder, const std::string& mark,
                                             const std::optional<FileIdentity>& installIdentity = std::nullopt,
                                             const WayStart& start = {});

// The kept originals of the steps that stand where they are kept, looked at
// down the run's way: for the log, when a journal goes without being undone.
std::vector<NotPutBack> KeptFilesStanding(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                          const std::optional<FileIdentity>& installIdentity,
                                          const WayStart& start = {});
