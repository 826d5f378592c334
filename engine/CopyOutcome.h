#pragma once
// What one copy of the medium's tree did, as the run's end needs it: whether
// it was abandoned, which files failed, what it wrote, replaced and created.
// The install record is made from it, and an abandoned run is undone from
// it. Window-free.
#include <cstdint>
#include <string>
#include <vector>

#include "record/InstallRecord.h"
#include "journal/RunRepair.h"

// A file of the reader's that the copy replaced: moved aside under a
// temporary name beside it, kept there until the run ends, so that an
// abandoned run can put it back as it was.
struct ReplacedFile {
    std::string path;          // where it stood, and where the medium's file stands now
    std::string keptOriginal;  // where it is kept meanwhile
};

// A file of the medium that could not be installed (or, with size 0, a
// folder whose files could not be placed), by the path it was to have.
struct FailedFile {
    std::string path;
    // The bytes it needed at the destination: its size on the medium, or
    // expanded from a compressed medium (as far as its header tells).
    uint64_t size = 0;
    // Where the way to its folder stopped, when it did: the folder of that
    // path is a link that appeared after the run began (or a file, or a
    // folder the system refused), and nothing of the run went there. Empty
    // when the file itself failed.
    std::string stoppedAt;
};

// A file of the book that another program held until the run gave up on it
// (an unattended run, after its wait), with those programs on one line.
struct HeldFile {
    std::string path;
    std::string programs;
};

struct CopyOutcome {
    // The user confirmed a cancel, or the medium lacked its CodeDir folder.
    bool abandoned = false;
    // The CodeDir folder was not there: nothing was copied.
    bool sourceMissing = false;
    // The destination folder could not be made: nothing was copied.
    bool destinationMissing = false;
    // A compressed file could not be expanded; reported once after the copy.
    bool expandFailed = false;
    // A file could not be copied or placed, or a folder of the medium could
    // not be entered; reported once after the copy.
    bool copyFailed = false;
    // The undoing of an abandoned run left something as it was not found (a
    // replaced file not put back, a written file not removed); reported once.
    // The run's journal then stays, so that the next start tries again.
    bool restoreFailed = false;
    // The reader's files that could not be put back, with where each
    // original lies: by the undoing of an abandoned run, or, in any run,
    // after a file that failed to arrive over one. The message names them;
    // nothing deletes them.
    std::vector<NotPutBack> notPutBack;
    // The run's journal could not be begun on the disk: nothing was changed.
    bool journalNotBegun = false;
    // Where the journal was to be (for the reason given).
    std::string journalFolder;
    // For the log: journal folders passed over, paths the undo left alone,
    // older journals of the folder retired.
    std::vector<std::string> journalNotes;

    // What could not be installed, in the order met, and the medium's
    // folders that could not be read (full paths); the flags above say it once.
    std::vector<FailedFile> failedFiles;
    std::vector<std::string> unreadableFolders;
    // The files among them that another program held (failed files too).
    std::vector<HeldFile> heldFiles;
    // The medium's files and folders (full paths, as shown) whose names this
    // system's code page cannot hold whole: not installed (failed files too).
    std::vector<std::string> namesNotWhole;
    // The programs setup closed for the reader that it did not start again
    // (an elevated run never does): the reader is told to start them.
    std::vector<std::string> closedPrograms;

    // Full paths of every file the copy wrote, in the order written, the
    // replacing ones included.
    std::vector<std::string> writtenFiles;
    // The install record's entries of those files (size and content as
    // written), made while the copy ran; only for a run that was not abandoned.
    std::vector<RecordEntry> writtenEntries;
    // The reader's files those replaced, with where each is kept.
    std::vector<ReplacedFile> replacedFiles;
    // Full paths of every folder created for the run (none that was there
    // before), parents before their children.
    std::vector<std::string> createdFolders;
    // Kept originals of a completed run that could not be deleted (held open
    // elsewhere): the install record names them, so that the uninstaller
    // removes them.
    std::vector<std::string> undeletedKept;
};
