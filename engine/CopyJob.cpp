#include "engine/CopyJob.h"

#include <windows.h>

#include <algorithm>

#include "engine/Expansion.h"
#include "engine/FileOperations.h"
#include "engine/FilePlacement.h"
#include "framework/FolderListing.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"
#include "record/OpenedPath.h"
#include "record/RunRepair.h"

namespace {
// The full path of a folder without its trailing backslash, so that paths
// below it join with one "\" (a drive root "C:\" becomes "C:"). A path the
// system cannot make full is kept as given.
std::string FolderPath(const std::string& path) { return StripTrailingBackslashes(FullPath(path).value_or(path)); }

// Files smaller than this, with nothing at their names, go to the lanes: a
// bigger one is copied on the copy thread, block by block, the bar moving
// inside it.
constexpr uint64_t kLaneFileBytes = 256 * 1024;
// Two files on their way at once; at most this many handed over and not yet
// settled (the bar and the records stay close behind the copy).
constexpr unsigned kLaneCount = 2;
constexpr size_t kLaneWindow = 16;

}  // namespace

std::string SourceMissingText(const std::string& codeDir) {
    return StringPrintf(
        "The book's files are supposed to be in a directory named '%s'. Setup can't find this directory so it's exiting.",
        codeDir.c_str());
}

std::string JournalNotBegunText(const std::string& journalFolder) {
    return StringPrintf("Setup could not begin its journal in %s, so it has changed nothing.", journalFolder.c_str());
}

CopyJob::CopyJob(const std::string& source, const std::string& destination, CopyOptions options,
                 CopyPrompts& prompts)
    : m_source(PathLength(source) < MAX_PATH ? FolderPath(source) : std::string()),
      m_destination(FolderPath(destination)),
      m_destinationKey(UpperAnsi(m_destination)),
      m_options(options),
      m_prompts(prompts),
      m_lanes(kLaneCount, [this](FileCopy& file) { PlaceNewFile(file); }) {
    m_keepAside.mark = m_journal.Mark();
    // A kept name without the run's mark (a path near the system's bound)
    // cannot be matched to its file by its name alone: its line goes to the
    // disk before the file moves.
    m_keepAside.noteKept = [this](const std::string& path, const std::string& kept, bool marked) {
        return m_journal.NoteKept(path, kept, !marked);
    };
}

void CopyJob::AdoptCreatedFolders(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) m_outcome.createdFolders.push_back(FolderPath(folder));
}

void CopyJob::NoteCreatedFolders(size_t from) {
    for (size_t i = from; i < m_outcome.createdFolders.size(); ++i) m_journal.NoteFolder(m_outcome.createdFolders[i]);
}

void CopyJob::Interrupt() {
    m_interrupted = true;
    m_cancelled = true;
    m_journal.Flush();
}

bool CopyJob::Run() {
    // Before the first change: where the run installs, on the disk. No
    // journal, no change: a run cut short must always be undone.
    if (m_journalWanted) {
        bool begun = m_journal.Begin(m_journalPlace, m_product, m_destination);
        m_outcome.journalNotes = m_journal.Notes();
        if (!begun) {
            m_outcome.journalNotBegun = true;
            m_outcome.journalFolder = m_journalPlace.folder;
            NoteCreatedFolders(0);
            Cancel();
            return true;
        }
    }
    // Fixed now, before any kept name holds it (Begin changes it where another run's journal has it).
    m_keepAside.mark = m_journal.Mark();
    NoteCreatedFolders(0);
    // A drive root is made and looked at as "C:\", not as "C:" (the drive's current folder).
    const std::string destinationFolder = m_destination.size() == 2 ? m_destination + "\\" : m_destination;
    std::vector<std::string> made;
    CreateDirectoryPath(destinationFolder, &made);
    size_t noted = m_outcome.createdFolders.size();
    AdoptCreatedFolders(made);
    // Noted as soon as they are made; empty, they are all a run cut short
    // between the two could leave.
    NoteCreatedFolders(noted);
    if (m_source.empty() || !IsFolder(m_source)) {
        m_outcome.sourceMissing = true;
        Cancel();
        return false;
    }
    // Which folder the reader chose, whatever link its path is: the undo
    // acts in it only while it is still that one.
    if (OpenedPath chosen(destinationFolder, OpenedPath::Use::Chosen); chosen.Held() && chosen.IsFolder())
        m_journal.NoteInstallFolder(chosen.Identity());
    if (!IsFolder(destinationFolder)) {
        // The destination could not be made (a drive that is not there, a
        // path past the system's folder limit): every file of the tree is a
        // failed copy, and nothing is written anywhere else instead.
        m_outcome.destinationMissing = true;
        if (HoldsFiles(m_source)) m_outcome.copyFailed = true;
        return true;
    }
    // The progress bar's range: what the copy will read, listed before its first file.
    m_prompts.SetTotalBytes(ListedBytes(m_source, m_destination));
    FolderListing listing(m_source);
    CopyEntries(listing, m_source, m_destination);
    // Every file on its way arrives (or fails) before the run's end is decided.
    TakeBackPlaced(true);
    // Nothing of an abandoned run is recorded.
    if (!m_cancelled) m_outcome.writtenEntries = std::move(m_writtenEntries);
    return true;
}

void CopyJob::Finish() {
    if (m_finished) return;
    m_finished = true;
    m_outcome.abandoned = m_cancelled;
    // What the reader let setup close comes back, unless the session is ending.
    if (!m_interrupted) m_outcome.closedPrograms = m_heldFiles.RestartClosed();
    if (m_interrupted) {
        // The session is ending: whatever is undone now could be cut short
        // again; the next start undoes the run whole.
        m_outcome.writtenEntries.clear();
        m_journal.Leave();
        return;
    }
    if (m_outcome.abandoned) {
        // Nothing of an abandoned run is recorded.
        m_outcome.writtenEntries.clear();
        UndoResult undone = UndoRun(m_journal.Steps(), m_destination, m_journal.InstallIdentity());
        m_outcome.restoreFailed = !undone.whole;
        m_outcome.notPutBack = std::move(undone.notPutBack);
        m_outcome.journalNotes.insert(m_outcome.journalNotes.end(), undone.notes.begin(), undone.notes.end());
        // What could not be put back is tried again at the next start.
        if (undone.whole)
            m_journal.End();
        else
            m_journal.Leave();
        return;
    }
    // Once this is on the disk, a run cut short is finished, not undone.
    m_journal.NoteCompleted();
    m_outcome.undeletedKept = DiscardKeptOriginals(m_journal.Steps(), m_destination, m_journal.InstallIdentity(),
                                                     &m_outcome.journalNotes);
    if (m_journal.OnDisk()) {
        // No older run into this folder ever touches the files of this one.
        RepairResult retired = RetireOlderRuns(m_journalPlace, m_destination);
        m_outcome.journalNotes.insert(m_outcome.journalNotes.end(), retired.notes.begin(), retired.notes.end());
    }
    // An original whose put-back failed stays kept, and the journal says so
    // to the next start.
    if (m_outcome.notPutBack.empty())
        m_journal.End();
    else
        m_journal.Leave();
}

void CopyJob::CopyEntries(FolderListing& listing, const std::string& sourceFolder, const std::string& destFolder) {
    if (m_cancelled) return;
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        if (!entry.whole) {
            // A name this system's code page cannot hold is never narrowed to
            // look-alikes ("..\\" from full-width forms would lead out of the
            // chosen folder): it is named, and nothing of it is installed.
            m_outcome.namesNotWhole.push_back(sourceFolder + "\\" + entry.name);
            NoteFailedFile(JoinPath(destFolder, entry.name), entry.IsFolder() ? 0 : entry.size);
        } else if (entry.IsFolder()) {
            CopyFolder(sourceFolder, entry.name.c_str(), destFolder);
        } else if (!CopyOneFile(sourceFolder, entry, destFolder)) {
            return;
        }
        // Checked after every entry, so the entry being copied is always
        // finished, and every enclosing level stops too.
        if (m_cancelled) return;
    }
    // A folder that cannot be entered, or whose listing broke off (a damaged
    // disc), holds files that did not arrive.
    if (!listing.Complete()) NoteUnreadableFolder(sourceFolder);
}

void CopyJob::CopyFolder(const std::string& sourceFolder, const char* name, const std::string& destFolder) {
    std::string source = sourceFolder + "\\" + name;
    if (!IsBookFolder(source, name)) return;
    std::string destPath;
    if (!InstalledPath(destFolder, name, m_options.longNames, destPath)) {
        // Every file below is one that could not be placed.
        if (HoldsFiles(source)) NoteFailedFile(JoinPath(destFolder, name), 0);
        return;
    }
    // A folder that cannot be entered (a name the system refuses, a path
    // past its bound, a damaged disc) gets no empty copy at the destination.
    FolderListing listing(source);
    if (!listing.Opened()) {
        NoteUnreadableFolder(source);
        return;
    }
    // Noted ahead: a folder the run made is removed again when it is undone.
    if (!m_journal.NoteFolder(destPath)) {
        if (HoldsFiles(source)) NoteFailedFile(destPath, 0);
        return;
    }
    if (CreateDirectoryA(destPath.c_str(), nullptr))
        m_outcome.createdFolders.push_back(destPath);
    else
        m_journal.NoteFolderThere(destPath);
    CopyEntries(listing, source, destPath);
}

bool CopyJob::CopyOneFile(const std::string& sourceFolder, const FolderEntry& entry, const std::string& destFolder) {
    std::string destPath;
    std::string sourcePath = sourceFolder + "\\" + entry.name;
    if (PathLength(sourcePath) >= MAX_PATH || !InstalledPath(destFolder, entry.name, m_options.longNames, destPath)) {
        NoteFailedFile(JoinPath(destFolder, entry.name), entry.size);
        return true;
    }
    m_prompts.ShowFile(entry.name.c_str(), destPath);
    // Every file the listing counted moves the bar by its size, whatever becomes of it.
    uint64_t size = entry.size;
    std::string key = UpperAnsi(destPath);
    // A second name of the medium for a file still on its way waits for it:
    // it then stands there as the run's own.
    if (m_onTheirWay.count(key)) TakeBackPlaced(true);

    // Only a file really standing there is asked about: a missing folder, a
    // name the system refuses or a folder of that name make the copy fail,
    // and a question about them would offer to replace nothing.
    DWORD existing = GetFileAttributesA(destPath.c_str());
    FileCopy copy{sourcePath, entry.attributes, destPath, size, entry.name, entry.writeTime};
    if (existing == INVALID_FILE_ATTRIBUTES && size < kLaneFileBytes) {
        // Nothing is written that the journal does not know.
        if (!m_journal.NoteNewFile(destPath)) {
            NoteFailedFile(destPath, size);
            m_prompts.FileDone(size);
            return true;
        }
        if (m_lanes.HandOver(copy)) {
            m_onTheirWay.insert(std::move(key));
            TakeBackPlaced(false);
            return true;
        }
        PlaceNewFile(copy);
        if (copy.nameTaken) {
            PlaceOverNewcomer(copy, std::move(key));
            return !m_cancelled;
        }
        Settle(copy, {}, std::move(key));
        m_prompts.FileDone(size);
        return true;
    }
    // Whatever comes now (a question, an original kept aside, a big file's
    // bar) comes after every file before it has settled.
    TakeBackPlaced(true);
    return PlaceAsked(copy, existing, std::move(key));
}

bool CopyJob::PlaceAsked(FileCopy& copy, DWORD existing, std::string key) {
    const std::string& destPath = copy.destPath;
    struct Done {
        CopyPrompts& prompts;
        uint64_t size;
        ~Done() { prompts.FileDone(size); }
    } done{m_prompts, copy.size};

    // A name found free and then taken by someone else before the create is
    // looked at again, as found then; a name that keeps changing under the
    // copy is given up after a few looks.
    for (int look = 1;; ++look) {
        bool fileThere = existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY);
        if (fileThere && !m_replaceAll) {
            // A cancel that came meanwhile asks nothing more.
            if (m_cancelled) return false;
            switch (AskToReplace(copy)) {
            case Decision::Keep: return true;
            case Decision::Abandon: return false;
            case Decision::Copy: break;
            }
        }
        if (fileThere && m_writtenKeys.count(key)) {
            // Written by this run already (two names of the medium that become
            // one): it is the run's own, and the reader's file that stood there
            // first is the one kept. Keeping this one too would put the medium's
            // first copy back over the reader's when the run is undone. Noted
            // again first: cut short in the rewrite, the part file is the run's
            // to delete, and the reader's file comes back.
            if (!m_journal.NoteNewFile(destPath) || !DeleteOwnFile(destPath)) {
                NoteFailedFile(destPath, copy.size);
                return true;
            }
            existing = INVALID_FILE_ATTRIBUTES;
        } else if (existing == INVALID_FILE_ATTRIBUTES && !m_journal.NoteNewFile(destPath)) {
            NoteFailedFile(destPath, copy.size);
            return true;
        }
        std::string kept;
        ReadProgress reading = [this](uint64_t read) { m_prompts.FileBytesRead(read); };
        Place(copy, existing, kept, reading);
        // A file another program holds could be neither replaced nor kept
        // aside: the copy stops on it until the reader says what to do.
        while (!copy.installed && !copy.nameTaken && kept.empty() && existing != INVALID_FILE_ATTRIBUTES &&
               !(existing & FILE_ATTRIBUTE_DIRECTORY)) {
            HeldFiles::Next next = m_heldFiles.Ask(m_prompts, copy.name, destPath, m_cancelled, m_outcome.heldFiles);
            if (next == HeldFiles::Next::Leave) {
                Cancel();
                return false;
            }
            if (next != HeldFiles::Next::TryAgain) break;
            Place(copy, existing, kept, reading);
        }
        if (!copy.nameTaken) {
            Settle(copy, kept, std::move(key));
            return true;
        }
        // Whoever took the name owns what stands there: the new-file line
        // just written was not the run's.
        copy.nameTaken = false;
        if (!m_journal.NoteNotTheRuns(destPath) || look == 3) {
            NoteFailedFile(destPath, copy.size);
            return true;
        }
        existing = GetFileAttributesA(destPath.c_str());
    }
}

void CopyJob::PlaceOverNewcomer(FileCopy& file, std::string key) {
    file.nameTaken = false;
    // Whatever the run does next, its undo must never delete that file.
    if (!m_journal.NoteNotTheRuns(file.destPath)) {
        NoteFailedFile(file.destPath, file.size);
        m_prompts.FileDone(file.size);
        return;
    }
    // An abandoned run places nothing more; the file there is not its own.
    if (m_cancelled) {
        m_prompts.FileDone(file.size);
        return;
    }
    PlaceAsked(file, GetFileAttributesA(file.destPath.c_str()), std::move(key));
}

void CopyJob::Place(FileCopy& file, DWORD existing, std::string& kept, const ReadProgress& reading) const {
    SetLastError(ERROR_SUCCESS);
    file.installed = m_options.compressed ? ExpandFile(file.sourcePath, file.sourceAttributes, file.destPath,
                                                       existing, m_keepAside, kept, file.written, reading)
                                          : CopyPlainFile(file.sourcePath, file.sourceAttributes, file.destPath,
                                                          existing, m_keepAside, kept, file.written, reading);
    // A create refused because the name is in use: the file there is not
    // the run's (only a new file is created where nothing was found).
    const DWORD error = GetLastError();
    file.nameTaken = !file.installed && existing == INVALID_FILE_ATTRIBUTES &&
                     (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
}

void CopyJob::PlaceNewFile(FileCopy& file) const {
    if (m_laneWatch) m_laneWatch(file.destPath);
    std::string kept;
    Place(file, INVALID_FILE_ATTRIBUTES, kept, {});
}

void CopyJob::TakeBackPlaced(bool all) {
    FileCopy file;
    // Beyond the window the oldest is waited for: the copy runs only so far ahead.
    bool wait = all || m_lanes.Pending() > kLaneWindow;
    while (m_lanes.TakePlaced(file, wait)) {
        std::string key = UpperAnsi(file.destPath);
        m_onTheirWay.erase(key);
        wait = all;
        // Every file before it has settled: it is placed now as any file
        // found standing at its name (a question, or the other file kept aside).
        if (file.nameTaken) {
            PlaceOverNewcomer(file, std::move(key));
            continue;
        }
        Settle(file, {}, std::move(key));
        m_prompts.FileDone(file.size);
    }
}

void CopyJob::Settle(const FileCopy& file, const std::string& kept, std::string key) {
    const std::string& destPath = file.destPath;
    if (!file.installed) {
        if (!kept.empty()) {
            // The reader's file could not be moved back: it stays where it is
            // kept, and nothing of this run deletes it.
            m_journal.NotePutBackFailed(destPath, kept);
            m_outcome.notPutBack.push_back({destPath, kept});
        }
        // What it needed at the destination: an expanded file is larger than on the medium.
        NoteFailedFile(destPath,
                       m_options.compressed ? std::max(file.size, ExpandedSizeOf(file.sourcePath)) : file.size);
        return;
    }
    const WrittenContent& written = file.written;
    // As the run left it: an older journal's undo later touches only what still is so.
    const uint64_t writeTime =
        static_cast<uint64_t>(written.writeTime.dwHighDateTime) << 32 | written.writeTime.dwLowDateTime;
    m_journal.NoteWritten(destPath, {written.size, writeTime, written.identity});
    m_writtenKeys.insert(std::move(key));
    m_outcome.writtenFiles.push_back(destPath);
    // Its record entry, from what was written (a path written twice keeps the later one).
    m_writtenEntries.push_back(RecordEntryOf(FullPath(destPath).value_or(destPath), written));
    if (!kept.empty()) m_outcome.replacedFiles.push_back({destPath, kept});
}

// A leave confirmed in the progress dialog while a question was open ends
// the copy whatever the question then answers: the user has said so once and
// is not asked again.
CopyJob::Decision CopyJob::AskToReplace(const FileCopy& file) {
    const std::string& destPath = file.destPath;
    ReplaceQuestion question{file.name,       destPath, static_cast<uint32_t>(file.size), QueryFileSize(destPath),
                             file.sourceTime, QueryFileWriteTime(destPath)};
    ReplaceAnswer answer = m_prompts.AskToReplace(question);
    if (m_cancelled) return Decision::Abandon;
    switch (answer) {
    case ReplaceAnswer::No: return Decision::Keep;
    case ReplaceAnswer::YesToAll: m_replaceAll = true; return Decision::Copy;
    case ReplaceAnswer::Yes: return Decision::Copy;
    case ReplaceAnswer::Cancel: break;
    }
    bool leave = m_prompts.ConfirmExit();
    if (m_cancelled || leave) {
        Cancel();
        return Decision::Abandon;
    }
    // Going on after Cancel replaces the file.
    return Decision::Copy;
}

bool CopyJob::IsBookFolder(const std::string& source, const char* name) const {
    // "." and "..", and every folder whose name starts with a dot, are not
    // the book's. A destination inside the medium's own tree (a medium on a
    // hard disk) must not be copied into itself, level after level.
    return name[0] != '.' && UpperAnsi(source) != m_destinationKey;
}

uint64_t CopyJob::ListedBytes(const std::string& sourceFolder, const std::string& destFolder) const {
    uint64_t bytes = 0;
    FolderListing listing(sourceFolder);
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        std::string source = sourceFolder + "\\" + entry.name;
        std::string destPath;
        if (!entry.whole || !InstalledPath(destFolder, entry.name, m_options.longNames, destPath)) continue;
        if (!entry.IsFolder())
            bytes += PathLength(source) < MAX_PATH ? entry.size : 0;
        else if (IsBookFolder(source, entry.name.c_str()))
            bytes += ListedBytes(source, destPath);
    }
    return bytes;
}

// Whether the folder holds a file anywhere below it that the copy would
// install; a folder that cannot be listed counts as holding some.
bool CopyJob::HoldsFiles(const std::string& sourceFolder) const {
    FolderListing listing(sourceFolder);
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        if (!entry.IsFolder()) return true;
        if (entry.name[0] != '.' && HoldsFiles(sourceFolder + "\\" + entry.name)) return true;
    }
    return !listing.Complete();
}

// A file that could not be installed: on a compressed medium that is an
// expansion that did not happen, on a plain one a failed copy. Either is
// reported once after the copy.
void CopyJob::NoteFailedFile(const std::string& destPath, uint64_t size) {
    if (m_options.compressed)
        m_outcome.expandFailed = true;
    else
        m_outcome.copyFailed = true;
    m_outcome.failedFiles.push_back({destPath, size});
    if (m_options.stopAtFirstFailure) Cancel();
}

void CopyJob::NoteUnreadableFolder(const std::string& sourceFolder) {
    m_outcome.copyFailed = true;
    m_outcome.unreadableFolders.push_back(sourceFolder);
    if (m_options.stopAtFirstFailure) Cancel();
}
