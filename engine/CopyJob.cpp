#include "engine/CopyJob.h"

#include <windows.h>

#include <algorithm>

#include "engine/FileOperations.h"
#include "framework/FolderListing.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"
#include "journal/RunRepair.h"

namespace {
// The full path of a folder without its trailing backslash, so that paths
// below it join with one "\" (a drive root "C:\" becomes "C:"). A path the
// system cannot make full is kept as given.
std::string FolderPath(const std::string& path) { return StripTrailingBackslashes(FullPath(path).value_or(path)); }

// Two files on their way at once (CopyJobFiles.cpp hands them over).
constexpr unsigned kLaneCount = 2;

// Where the run's way starts: the nearest folder of the path that stands now
// and is not one made for this run (`adopted`), its links followed as the
// reader left them. Empty when none stands (a drive that is not there).
std::string WayStartOf(const std::string& folder, const std::vector<std::string>& adopted) {
    std::string path = StripTrailingBackslashes(folder, 3);
    for (;;) {
        const std::string key = UpperAnsi(path);
        bool made = std::any_of(adopted.begin(), adopted.end(),
                                [&key](const std::string& one) { return UpperAnsi(one) == key; });
        if (!made && IsFolder(path)) return path;
        std::string parent = StripTrailingBackslashes(SplitPath(path).folder, 3);
        if (parent.empty() || parent.size() >= path.size()) return {};
        path = std::move(parent);
    }
}

// A path on another machine: setup makes no folder there (the share's own
// folders are the reader's to make).
bool IsNetworkPath(const std::string& path) { return path.size() >= 2 && path[0] == '\\' && path[1] == '\\'; }
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
      m_options(options),
      m_tree(m_destination, options.longNames),
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
    std::shared_ptr<const HeldFolder> destination = OpenWay(destinationFolder);
    // Every folder the run holds is let go of when it returns: the undo and
    // the reader may then delete or rename them.
    struct LetGo {
        FolderWay& way;
        ~LetGo() { way = FolderWay(); }
    } letGo{m_way};
    if (m_source.empty() || !IsFolder(m_source)) {
        m_outcome.sourceMissing = true;
        Cancel();
        return false;
    }
    if (!destination) {
        // The destination could not be made (a drive that is not there, a
        // path past the system's folder limit, a link met on the way): every
        // file of the tree is a failed copy, and nothing is written anywhere
        // else instead.
        m_outcome.destinationMissing = true;
        if (m_way.Stop() == DoorStop::Link)
            NoteFailedTree(m_source, m_destination, m_way.At());
        else if (m_tree.HoldsFiles(m_source))
            m_outcome.copyFailed = true;
        return true;
    }
    // Which folder the reader chose, whatever link its path is: the undo
    // acts in it only while it is still that one.
    m_journal.NoteInstallFolder(destination->Identity());
    // The progress bar's range: what the copy will read, listed before its first file.
    m_prompts.SetTotalBytes(m_tree.ListedBytes(m_source, m_destination));
    FolderListing listing(m_source);
    CopyEntries(listing, m_source, m_destination, destination);
    // Every file on its way arrives (or fails) before the run's end is decided.
    TakeBackPlaced(true);
    // Nothing of an abandoned run is recorded.
    if (!m_cancelled) m_outcome.writtenEntries = std::move(m_writtenEntries);
    return true;
}

std::shared_ptr<const HeldFolder> CopyJob::OpenWay(const std::string& destinationFolder) {
    // Where the way starts is resolved once, by its path (the reader's links
    // there are the reader's choice), and noted before any folder is made.
    const std::string start = WayStartOf(destinationFolder, m_outcome.createdFolders);
    HeldFolder root = start.empty() ? HeldFolder() : HeldFolder::Root(start);
    if (!root.Held() || !m_journal.NoteStart(start, root.Identity())) return nullptr;
    m_way = FolderWay(std::move(root));
    // The folders the destination dialog made for the run lie below the
    // start: which folders they are is noted as the way reaches them.
    for (const std::string& folder : m_outcome.createdFolders) {
        if (!m_way.Covers(folder)) continue;
        std::shared_ptr<const HeldFolder> made = m_way.Reach(folder);
        if (made && made.get() != &m_way.Root()) m_journal.NoteFolderMade(folder, made->Identity());
    }
    // Past the system's bound no folder is made, nor on another machine:
    // the destination then is only what stands.
    if (PathLength(destinationFolder) >= MAX_PATH || IsNetworkPath(destinationFolder))
        return m_way.Reach(destinationFolder);
    return MakeOnTheWay(destinationFolder);
}

std::shared_ptr<const HeldFolder> CopyJob::MakeOnTheWay(const std::string& path) {
    // Each folder noted ahead (a folder the run made is removed again when
    // it is undone; empty, the folders are all a run cut short between the
    // two could leave), then which folder the run made there.
    auto noteAhead = [this](const std::string& folder) { return m_journal.NoteFolder(folder); };
    auto noteMade = [this](const std::string& folder, const HeldFolder& held, bool made) {
        if (made && held.Held()) {
            m_outcome.createdFolders.push_back(folder);
            m_journal.NoteFolderMade(folder, held.Identity());
        } else {
            // It stood after all (made meanwhile by another), or it could not
            // be made: not the run's to remove.
            m_journal.NoteFolderThere(folder);
        }
    };
    return m_way.Make(path, noteAhead, noteMade);
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
        UndoResult undone =
            UndoRun(m_journal.Steps(), m_destination, m_journal.InstallIdentity(), m_journal.Start());
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
                                                     &m_outcome.journalNotes, m_journal.Start());
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

void CopyJob::CopyEntries(FolderListing& listing, const std::string& sourceFolder, const std::string& destFolder,
                          const std::shared_ptr<const HeldFolder>& held) {
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
            CopyFolder(sourceFolder, entry.name, destFolder);
        } else if (!CopyOneFile(sourceFolder, entry, destFolder, held)) {
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

void CopyJob::CopyFolder(const std::string& sourceFolder, const std::string& name, const std::string& destFolder) {
    std::string source = sourceFolder + "\\" + name;
    if (!m_tree.IsBookFolder(source, name)) return;
    std::string destPath;
    if (!InstalledPath(destFolder, name, m_options.longNames, destPath)) {
        // Every file below is one that could not be placed.
        if (m_tree.HoldsFiles(source)) NoteFailedFile(JoinPath(destFolder, name), 0);
        return;
    }
    // A folder that cannot be entered (a name the system refuses, a path
    // past its bound, a damaged disc) gets no empty copy at the destination.
    FolderListing listing(source);
    if (!listing.Opened()) {
        NoteUnreadableFolder(source);
        return;
    }
    // Made by its name in its held parent: a link at the name is never
    // entered, whenever it came.
    std::shared_ptr<const HeldFolder> held = MakeOnTheWay(destPath);
    if (!held) {
        NoteFailedTree(source, destPath, m_way.At());
        return;
    }
    CopyEntries(listing, source, destPath, held);
}

// A file that could not be installed: on a compressed medium that is an
// expansion that did not happen, on a plain one a failed copy. Either is
// reported once after the copy.
void CopyJob::NoteFailedFile(const std::string& destPath, uint64_t size, const std::string& stoppedAt) {
    if (m_options.compressed)
        m_outcome.expandFailed = true;
    else
        m_outcome.copyFailed = true;
    m_outcome.failedFiles.push_back({destPath, size, stoppedAt});
    if (m_options.stopAtFirstFailure) Cancel();
}

void CopyJob::NoteFailedTree(const std::string& sourceFolder, const std::string& destFolder,
                             const std::string& stoppedAt) {
    // Nothing below it is placed, and no file is silently passed over.
    std::vector<MediumTree::File> files = m_tree.FilesBelow(sourceFolder, destFolder);
    for (const MediumTree::File& file : files) NoteFailedFile(file.destPath, file.size, stoppedAt);
    if (files.empty() && m_tree.HoldsFiles(sourceFolder)) NoteFailedFile(destFolder, 0, stoppedAt);
    m_prompts.FileDone(m_tree.ListedBytes(sourceFolder, destFolder));
}

void CopyJob::NoteUnreadableFolder(const std::string& sourceFolder) {
    m_outcome.copyFailed = true;
    m_outcome.unreadableFolders.push_back(sourceFolder);
    if (m_options.stopAtFirstFailure) Cancel();
}
