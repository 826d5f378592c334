// The copy's files, one by one: each file of the medium's tree placed in its
// held folder, on a lane or on the copy thread, asked about where a file
// stands at its name, and settled in the journal, the record and the outcome
// in the order of the medium. The walk of the tree and the run's start and
// end are in CopyJob.cpp.
#include <windows.h>

#include <algorithm>

#include "engine/CopyJob.h"
#include "engine/Expansion.h"
#include "engine/FileOperations.h"
#include "engine/FilePlacement.h"
#include "framework/AnsiText.h"
#include "framework/FolderListing.h"
#include "framework/PathText.h"

namespace {
// Files smaller than this, with nothing at their names, go to the lanes: a
// bigger one is copied on the copy thread, block by block, the bar moving
// inside it.
constexpr uint64_t kLaneFileBytes = 256 * 1024;
// At most this many handed over and not yet settled (the bar and the
// records stay close behind the copy).
constexpr size_t kLaneWindow = 16;
}  // namespace

bool CopyJob::CopyOneFile(const std::string& sourceFolder, const FolderEntry& entry, const std::string& destFolder,
                          const std::shared_ptr<const HeldFolder>& held) {
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
    // Placed by its name in the folder the way holds (InstalledPath joined them with one "\\").
    copy.folder = held;
    copy.destName = destPath.substr(destFolder.size() + 1);
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
        Rewrite rewrite = fileThere && m_written.count(key) ? ClearOwnFile(copy, key) : Rewrite::NotTheRuns;
        if (rewrite == Rewrite::Failed) {
            NoteFailedFile(destPath, copy.size);
            return true;
        }
        if (rewrite == Rewrite::Cleared) {
            existing = INVALID_FILE_ATTRIBUTES;
        } else if (existing == INVALID_FILE_ATTRIBUTES && !m_journal.NoteNewFile(destPath)) {
            NoteFailedFile(destPath, copy.size);
            return true;
        }
        std::string kept;
        ReadProgress reading = [this](uint64_t read) { m_prompts.FileBytesRead(read); };
        copy.readersPath = existing != INVALID_FILE_ATTRIBUTES ? ReadersPath(copy) : std::string();
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

CopyJob::Rewrite CopyJob::ClearOwnFile(const FileCopy& file, const std::string& key) {
    // Written by this run already (two names of the medium that become one):
    // it is the run's own, and the reader's file that stood there first is
    // the one kept. Keeping this one too would put the medium's first copy
    // back over the reader's when the run is undone. Checked and deleted on
    // one open: a file put at the name since is not the run's.
    HeldObject there = file.folder->Open(file.destName);
    const std::optional<FileIdentity>& identity = m_written.find(key)->second;
    if (!there.Held() || there.Facts().IsFolder() || there.Facts().link ||
        (identity && there.Facts().identity != *identity))
        return there.Held() ? Rewrite::NotTheRuns : Rewrite::Failed;
    // Noted again first: cut short in the rewrite, the part file is the
    // run's to delete, and the reader's file comes back.
    if (!m_journal.NoteNewFile(file.destPath) || !there.Delete()) return Rewrite::Failed;
    return Rewrite::Cleared;
}

std::string CopyJob::ReadersPath(const FileCopy& file) {
    const std::string folder = file.destPath.substr(0, file.destPath.size() - file.destName.size());
    std::string key = UpperAnsi(folder);
    if (key != m_listedFolder) {
        m_listedFolder = std::move(key);
        m_listedNames.clear();
        FolderListing listing(StripTrailingBackslashes(folder, 3));
        while (listing.Next()) m_listedNames.emplace(UpperAnsi(listing.Entry().name), listing.Entry().name);
    }
    auto listed = m_listedNames.find(UpperAnsi(file.destName));
    // A name the listing did not have (it came since) is asked on its own.
    return listed != m_listedNames.end() ? folder + listed->second : NameAsStored(file.destPath);
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
    const FileSpot spot{*file.folder, file.destName, file.destPath,
                        file.readersPath.empty() ? file.destPath : file.readersPath};
    file.installed = m_options.compressed ? ExpandFile(file.sourcePath, file.sourceAttributes, spot, existing,
                                                       m_keepAside, kept, file.written, reading)
                                          : CopyPlainFile(file.sourcePath, file.sourceAttributes, spot, existing,
                                                          m_keepAside, kept, file.written, reading);
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
    m_written[std::move(key)] = written.identity;
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
