#pragma once
// One copy of the medium's CodeDir tree into the destination, as the worker
// thread runs it: what the copy needs (where from, where to, how, whom to
// ask, the answers so far, the cancel) and what it did (CopyOutcome). The
// walk addresses the medium by full paths and never moves the process's
// current directory. The destination is reached through the door: one way
// down from the nearest folder that stood before the run, each folder held
// while its files are placed, every act relative to it; a link met below
// that start is never entered. Cancelled, the run is undone at its end;
// completed, it lets go of the reader's files it kept.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/CopyLanes.h"
#include "engine/CopyOutcome.h"
#include "engine/CopyPrompts.h"
#include "engine/FilePlacement.h"
#include "engine/HeldFiles.h"
#include "engine/MediumTree.h"
#include "framework/FolderWay.h"
#include "record/InstallRecord.h"
#include "journal/RunJournal.h"

class FolderListing;
struct FolderEntry;

// What the reader (or an unattended run's log) is told when the medium lacks
// the CodeDir folder, named as SETUP.INI writes it.
std::string SourceMissingText(const std::string& codeDir);
// The one line on why a run whose journal could not be begun changed nothing.
std::string JournalNotBegunText(const std::string& journalFolder);

struct CopyOptions {
    bool compressed = false;  // expand every file (FilesCompressed)
    bool longNames = false;   // UNDER_SCORE names become long names (UseUnderscores)
    // The first file that cannot be installed, or folder of the medium that
    // cannot be read, stops the copy as a cancel does (an unattended run,
    // which undoes itself on any failure, copies nothing more in vain).
    bool stopAtFirstFailure = false;
};

class CopyJob {
public:
    // The source folder and the destination as setup's settings give them,
    // made full paths now, against the current directory (the medium's
    // setup folder, where the settings were read).
    CopyJob(const std::string& source, const std::string& destination, CopyOptions options, CopyPrompts& prompts);
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    // Folders made for this run before the copy (by the destination dialog):
    // they belong to the run as if the copy had made them, and the run's way
    // starts above them.
    void AdoptCreatedFolders(const std::vector<std::string>& folders);

    // The run keeps its journal on the disk, in this folder, for the book of
    // this product name: a run cut short is undone from it at the next start.
    // Without it the journal is kept in memory only (for the undo of an
    // abandoned run).
    // A journal that cannot be begun there stops the run before its first
    // change. The place says whose journals they are (the folder's rights).
    // A place the system could not name (its folder empty) is no place: the
    // run then changes nothing, as any run whose journal cannot be begun.
    void KeepJournalIn(const JournalPlace& place, const std::string& product) {
        m_journalPlace = place;
        m_product = product;
        m_journalWanted = true;
    }

    // Told on a lane of each file it is about to create there (by its
    // destination), right before the create; set before Run. A test puts a
    // file at the name in that moment, as a sync client or the reader might.
    void WatchLanes(std::function<void(const std::string& destPath)> watch) { m_laneWatch = std::move(watch); }

    // Worker thread: makes the destination folder and copies the source tree
    // into it, asking before it replaces a file. False when the source folder
    // is not there: nothing is copied and the run is abandoned. Every folder
    // it held is let go of when it returns.
    bool Run();

    // Any thread: the user confirmed a cancel. The copy stops after the file
    // it is at, and the small files already on their way (a question open
    // meanwhile no longer counts).
    void Cancel() { m_cancelled = true; }
    bool Cancelled() const { return m_cancelled; }
    // Any thread: the session is ending. The copy stops after the files it
    // is at and nothing is undone: the journal, on the disk, is left for the
    // next start.
    void Interrupt();

    // Once the copy has stopped, once per run (a later call does nothing): an
    // abandoned run is undone, newest change first, a completed one deletes
    // the replaced files it kept; either way its journal goes (kept only when
    // something could not be put back). The outcome then says which it was.
    void Finish();
    bool Finished() const { return m_finished; }

    // What the copy did so far; read on the worker while it runs, by others
    // once it has stopped.
    const CopyOutcome& Outcome() const { return m_outcome; }
    // The run's journal (its changes in order, and its file while it lasts).
    const RunJournal& Journal() const { return m_journal; }

private:
    enum class Decision { Copy, Keep, Abandon };

    // The run's way, from where it starts down to the destination (made
    // where missing), held; null when it cannot be had (nothing of the path
    // stands, a link met on it), the way's Stop() and At() then saying why.
    std::shared_ptr<const HeldFolder> OpenWay(const std::string& destinationFolder);
    // The folder at `path` below the way's start, made where missing (each
    // made folder noted in the journal and the outcome), held; null as OpenWay.
    std::shared_ptr<const HeldFolder> MakeOnTheWay(const std::string& path);
    // `held` is the destination folder, held.
    void CopyEntries(FolderListing& listing, const std::string& sourceFolder, const std::string& destFolder,
                     const std::shared_ptr<const HeldFolder>& held);
    void CopyFolder(const std::string& sourceFolder, const std::string& name, const std::string& destFolder);
    // False when the user abandoned setup at a question about the file.
    bool CopyOneFile(const std::string& sourceFolder, const FolderEntry& entry, const std::string& destFolder,
                     const std::shared_ptr<const HeldFolder>& held);
    Decision AskToReplace(const FileCopy& file);
    // Copy thread, every file before it settled: places the file as found at
    // its name (`existing`), asking first where a file stands (unless Yes To
    // All). False when the user abandoned setup at the question.
    bool PlaceAsked(FileCopy& file, DWORD existing, std::string key);
    // Copy thread: a file whose name was taken after it was found free (by
    // someone else, between the look and the create). The journal's new-file
    // line for it was not the run's; the file is then placed as any file
    // found standing at its name.
    void PlaceOverNewcomer(FileCopy& file, std::string key);
    // Places a file, as found at its name (`existing`: its attributes, or
    // INVALID_FILE_ATTRIBUTES); a reader's file there is kept aside, in `kept`.
    void Place(FileCopy& file, DWORD existing, std::string& kept, const ReadProgress& reading) const;
    // Places a file where nothing stands (on a lane, or on the copy thread
    // when no lane could start); a name found taken sets `nameTaken`.
    void PlaceNewFile(FileCopy& file) const;
    // Copy thread: the files the lanes have placed, in the order handed
    // over, settled; with `all`, waits until every one is back.
    void TakeBackPlaced(bool all);
    // What became of one file, as the run's journal, record and outcome keep
    // it. `kept`: where the reader's file that stood there lies (or empty);
    // `key`: its path upper-cased.
    void Settle(const FileCopy& file, const std::string& kept, std::string key);
    // A file this run wrote stands at the name, to be written again: it is
    // deleted through the door while it is the file as written, its new-file
    // line noted first (Cleared); anything else at the name is not the
    // run's, and is kept aside as a reader's file (NotTheRuns).
    enum class Rewrite { Cleared, Failed, NotTheRuns };
    Rewrite ClearOwnFile(const FileCopy& file, const std::string& key);
    // The path of the reader's file at the file's name as its folder lists
    // it (the letter case the reader gave it).
    std::string ReadersPath(const FileCopy& file);
    void NoteFailedFile(const std::string& destPath, uint64_t size, const std::string& stoppedAt = {});
    // The way to a folder stopped at `stoppedAt`: each file below it is a
    // failed file, named, and the bar moves past them.
    void NoteFailedTree(const std::string& sourceFolder, const std::string& destFolder, const std::string& stoppedAt);
    void NoteUnreadableFolder(const std::string& sourceFolder);
    // The folders made for the run so far, noted in the journal.
    void NoteCreatedFolders(size_t from);

    std::string m_source;       // full path, no trailing backslash
    std::string m_destination;  // full path, no trailing backslash (a drive root is "C:")
    CopyOptions m_options;
    MediumTree m_tree;
    CopyPrompts& m_prompts;
    bool m_replaceAll = false;  // Yes To All; holds for the rest of the run
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_interrupted{false};
    bool m_finished = false;
    CopyOutcome m_outcome;
    JournalPlace m_journalPlace;
    bool m_journalWanted = false;
    std::string m_product;
    RunJournal m_journal;
    KeepAside m_keepAside;  // the journal's mark and note for every reader's file kept aside
    // The files this run wrote, upper-cased, with which file each was (where
    // the system told): one the run writes again is its own, and is not kept
    // aside a second time.
    std::unordered_map<std::string, std::optional<FileIdentity>> m_written;
    // The names of the destination folder last listed for the reader's own
    // (its path upper-cased): listed once for the files of a folder, not
    // looked up again for each one.
    std::string m_listedFolder;
    std::unordered_map<std::string, std::string> m_listedNames;
    // The way down from where the run's way starts: the copy thread's alone,
    // for as long as Run lasts.
    FolderWay m_way;
    // The written files' record entries, made from the bytes as they were written.
    std::vector<RecordEntry> m_writtenEntries;
    // Files another program held, and the programs closed for them.
    HeldFiles m_heldFiles;
    // The files handed to the lanes and not yet settled, upper-cased.
    std::unordered_set<std::string> m_onTheirWay;
    std::function<void(const std::string&)> m_laneWatch;
    // Last, so that it is gone (its lanes ended) before anything they use.
    CopyLanes m_lanes;
};
