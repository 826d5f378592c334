#include "record/RunRepair.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/FolderListing.h"
#include "record/JournalTrust.h"
#include "record/OwnFiles.h"
#include "record/RunFolders.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"
#include "framework/UniqueHandle.h"
#include "record/OpenedPath.h"

namespace {
// Far beyond a book's journal (a line is about 100 bytes): a larger file is not one.
constexpr DWORD kMostJournalBytes = 64u * 1024 * 1024;

constexpr const char* kRestoreProblemDefault =
    "Setup could not put back some of your files as they were before an installation that did not end. Each "
    "one's original is kept under the name given after it:\r\n\r\n%s";

bool Exists(const std::string& path) { return GetFileAttributesW(WideText(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool DriveThere(const std::string& path) {
    if (path.size() < 3 || path[1] != ':') return true;
    const char root[] = {path[0], ':', '\\', '\0'};
    DWORD attributes = GetFileAttributesA(root);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadAll(HANDLE file) {
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size > kMostJournalBytes) return std::nullopt;
    std::string text(size, '\0');
    DWORD got = 0;
    if (size > 0 && (!ReadFile(file, text.data(), size, &got, nullptr) || got != size)) return std::nullopt;
    return text;
}

bool EndsWithJournalName(const std::string& name) {
    return name.size() > 4 && UpperAnsi(name.substr(name.size() - 4)) == ".JNL";
}

void FindMarked(const std::string& folder, const std::string& mark, std::vector<JournalStep>& found) {
    FolderListing listing(folder);
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        if (entry.name == "." || entry.name == "..") continue;
        std::string path = JoinPath(folder, entry.name);
        if (entry.IsFolder()) {
            // Behind a link is what the reader linked, not the run's (a
            // folder a cloud service keeps is a folder all the same).
            if (!(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsLink(path)) FindMarked(path, mark, found);
        } else if (std::string original = NameOfMarkedKept(path, mark); !original.empty()) {
            found.push_back({JournalStep::Kind::Kept, original, path});
        }
    }
}

// The run's steps: the journal's, and after them the kept files its lost
// last lines would have named.
std::vector<JournalStep> AllSteps(const JournalText& journal) {
    std::vector<JournalStep> steps = journal.steps;
    if (journal.installFolder.empty() || journal.mark.empty()) return steps;
    std::set<std::string> named;
    for (const JournalStep& step : steps)
        if (step.kind == JournalStep::Kind::Kept) named.insert(UpperAnsi(step.kept));
    for (JournalStep& step : FindMarkedKeptFiles(journal.installFolder, journal.mark))
        if (!named.count(UpperAnsi(step.kept))) steps.push_back(std::move(step));
    return steps;
}

bool DrivesThere(const JournalText& journal) {
    if (!DriveThere(journal.installFolder)) return false;
    for (const JournalStep& step : journal.steps)
        if (!DriveThere(step.path)) return false;
    return true;
}

// Why a step is left alone, when it is.
enum class Standing {
    Clear,         // the folders on the way are held, none a link
    Missing,       // a folder on the way is not there: neither is the path
    Link,          // a link on the way
    NotTheFolder,  // the install folder is no longer the one the run installed into
    NotHeld,       // a folder on the way could not be opened (held elsewhere, refused)
};

// The folders from the install folder down to a path's own folder, opened
// one by one where they stand (a link is never followed) and held while
// what is at the path is checked and acted on: none can be swapped for a
// link meanwhile. The install folder is what the reader chose, whatever it
// is (a link to a data drive, a mounted volume), and is told by its
// identity where the journal noted it; a journal of an earlier setup, which
// did not, has it checked as a link like the folders below. A path outside
// the install folder (a folder made above it) is looked at alone.
class Way {
public:
    Way(const std::string& installFolder, const std::optional<FileIdentity>& identity)
        : m_install(StripTrailingBackslashes(installFolder)), m_installKey(UpperAnsi(m_install)), m_identity(identity) {}

    Standing Hold(const std::string& path) {
        m_held.clear();
        m_at.clear();
        std::string key = UpperAnsi(path);
        bool inside = !m_installKey.empty() && key.size() > m_installKey.size() &&
                      key.compare(0, m_installKey.size(), m_installKey) == 0 &&
                      StartsWithBackslash(std::string_view(key).substr(m_installKey.size()));
        if (!inside) return Standing::Clear;
        Standing standing = HoldOne(m_install, m_identity ? OpenedPath::Use::Chosen : OpenedPath::Use::Way);
        if (standing != Standing::Clear) return standing;
        if (m_identity && m_held.back().Identity() != *m_identity) {
            m_at = m_install;
            return Standing::NotTheFolder;
        }
        // Each folder below it, down to the path's own.
        std::string rest = path.substr(m_install.size());
        for (size_t slash = FindChar(rest, '\\', 1); slash != std::string::npos; slash = FindChar(rest, '\\', slash + 1)) {
            standing = HoldOne(m_install + rest.substr(0, slash), OpenedPath::Use::Way);
            if (standing != Standing::Clear) return standing;
        }
        return Standing::Clear;
    }
    // The folder the last Hold stopped at.
    const std::string& At() const { return m_at; }
    void Release() { m_held.clear(); }

private:
    Standing HoldOne(const std::string& folder, OpenedPath::Use use) {
        m_held.emplace_back(folder, use);
        const OpenedPath& held = m_held.back();
        m_at = folder;
        if (held.Missing() || (held.Held() && !held.IsFolder())) return Standing::Missing;
        if (!held.Held()) return Standing::NotHeld;
        if (held.IsLink()) return Standing::Link;
        return Standing::Clear;
    }

    std::string m_install;
    std::string m_installKey;
    std::optional<FileIdentity> m_identity;
    std::vector<OpenedPath> m_held;
    std::string m_at;
};

std::string LinkNote(const std::string& path, const std::string& link) {
    return "Left alone, as its path passes the link " + link + ": " + path;
}

std::string LeftNote(Standing standing, const std::string& path, const std::string& at) {
    switch (standing) {
    case Standing::Link: return LinkNote(path, at);
    case Standing::NotTheFolder:
        return "Left alone, as " + at + " is no longer the folder the run installed into: " + path;
    default: return "Left alone, as " + at + " could not be opened: " + path;
    }
}

std::string LaterFileNote(const std::string& path, const std::string& kept) {
    return kept.empty() ? "Left alone, as it is no longer the file the run wrote: " + path
                        : "Not put back, as " + path + " is no longer the file the run wrote; the original stays as " +
                              kept;
}

// Whether the file held is still the one the run wrote: one the journal
// noted as written must stand as it was (size, time and, where noted, which
// file); of one it did not note (an earlier setup's journal, a write cut
// short) nothing more can be told. A link or a folder at its name never is.
bool StillTheRuns(const JournalStep& step, const OpenedPath& now) {
    if (now.IsLink() || now.IsFolder()) return false;
    if (!step.written) return true;
    return IsTheWrittenFile(*step.written, {now.Size(), now.WriteTime(), now.Identity()});
}

bool SameFolder(const std::string& a, const std::string& b) {
    return UpperAnsi(SplitPath(a).folder) == UpperAnsi(SplitPath(b).folder);
}

// Puts a kept original back at its name, where the run's copy or nothing
// stands. A name that holds a file no longer the run's settles the step:
// nothing can ever be done for it, and the original stays where it is kept.
// False when the step was left for a reason that may pass.
bool PutBackKept(const JournalStep& step, Way& way, Way& pathWay, UndoResult& result) {
    auto leave = [&](std::string note) {
        result.notes.push_back(std::move(note));
        result.notPutBack.push_back({step.path, step.kept});
        return false;
    };
    Standing standing = way.Hold(step.kept);
    // Its folder is gone, and with it the kept file (or it has come back).
    if (standing == Standing::Missing) return true;
    if (standing != Standing::Clear) return leave(LeftNote(standing, step.kept, way.At()));
    if (!SameFolder(step.kept, step.path)) {
        standing = pathWay.Hold(step.path);
        if (standing != Standing::Clear) return leave(LeftNote(standing, step.path, pathWay.At()));
    }
    OpenedPath kept(step.kept, OpenedPath::Use::Act);
    // Back already, or never moved.
    if (kept.Missing()) return true;
    if (!kept.Held()) return leave("Not put back, as " + step.kept + " could not be opened: " + step.path);
    if (kept.IsLink() || kept.IsFolder()) return leave(LinkNote(step.path, step.kept));
    OpenedPath there(step.path, OpenedPath::Use::Act);
    if (there.Held()) {
        // Onto a name that holds the run's copy, or nothing: never over a later file.
        if (!StillTheRuns(step, there)) {
            result.notes.push_back(LaterFileNote(step.path, step.kept));
            return true;
        }
        if (!there.Delete()) return leave("Not put back, as the run's copy at " + step.path + " could not be deleted");
    } else if (!there.Missing()) {
        return leave("Not put back, as " + step.path + " could not be opened");
    }
    // Never over anything: what appeared at the name since is left alone.
    if (!kept.RenameTo(step.path)) return leave("Not put back: " + step.path + " (its original is " + step.kept + ")");
    return true;
}

// Deletes a file the run wrote, while it is as the run left it. False when
// the step was left for a reason that may pass.
bool DeleteWritten(const JournalStep& step, Way& way, UndoResult& result) {
    Standing standing = way.Hold(step.path);
    if (standing == Standing::Missing) return true;
    if (standing != Standing::Clear) {
        result.notes.push_back(LeftNote(standing, step.path, way.At()));
        return false;
    }
    OpenedPath file(step.path, OpenedPath::Use::Act);
    if (file.Missing()) return true;
    if (file.Held() && !StillTheRuns(step, file)) {
        // Another's now (a later run's, the reader's): settled.
        result.notes.push_back(LaterFileNote(step.path, {}));
        return true;
    }
    // The copy made it normal, but the reader may have marked it meanwhile.
    if (file.Held() && file.Delete()) return true;
    result.notes.push_back("Not deleted, as it could not be opened or deleted: " + step.path);
    return false;
}

// Removes a folder the run made, when it is empty: what else the reader
// keeps there is never touched.
bool RemoveMadeFolder(const JournalStep& step, Way& way, const std::optional<FileIdentity>& installIdentity,
                      const std::string& installFolder, UndoResult& result) {
    Standing standing = way.Hold(step.path);
    if (standing == Standing::Missing) return true;
    if (standing != Standing::Clear) {
        result.notes.push_back(LeftNote(standing, step.path, way.At()));
        return false;
    }
    OpenedPath folder(step.path, OpenedPath::Use::Act);
    if (folder.Missing()) return true;
    if (!folder.Held()) {
        result.notes.push_back("Not removed, as it could not be opened: " + step.path);
        return false;
    }
    // A file at its name now is another's: settled.
    if (!folder.IsFolder()) return true;
    if (folder.IsLink()) {
        result.notes.push_back(LinkNote(step.path, step.path));
        return true;
    }
    // The install folder itself, made by the run: only while it is that one.
    if (installIdentity && UpperAnsi(StripTrailingBackslashes(step.path)) == UpperAnsi(StripTrailingBackslashes(installFolder)) &&
        folder.Identity() != *installIdentity) {
        result.notes.push_back(LeftNote(Standing::NotTheFolder, step.path, step.path));
        return true;
    }
    if (folder.Delete()) return true;
    // What the reader keeps in it stays, and the folder with it: settled.
    if (GetLastError() == ERROR_DIR_NOT_EMPTY) return true;
    result.notes.push_back("Not removed, as it could not be deleted: " + step.path);
    return false;
}
}  // namespace

UndoResult UndoRun(const std::vector<JournalStep>& steps, const std::string& installFolder,
                   const std::optional<FileIdentity>& installIdentity) {
    UndoResult result;
    Way way(installFolder, installIdentity);
    Way pathWay(installFolder, installIdentity);
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        bool done = true;
        switch (step->kind) {
        case JournalStep::Kind::Kept: done = PutBackKept(*step, way, pathWay, result); break;
        case JournalStep::Kind::NewFile: done = DeleteWritten(*step, way, result); break;
        // Children were made after their parents, so they go first.
        case JournalStep::Kind::Folder: done = RemoveMadeFolder(*step, way, installIdentity, installFolder, result); break;
        }
        way.Release();
        pathWay.Release();
        if (!done) result.whole = false;
    }
    return result;
}

std::vector<std::string> DiscardKeptOriginals(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                              const std::optional<FileIdentity>& installIdentity,
                                              std::vector<std::string>* notes) {
    // What the run last wrote at each name: a name it wrote twice holds the later.
    std::map<std::string, const JournalStep*> latest;
    for (const JournalStep& step : steps)
        if (step.kind != JournalStep::Kind::Folder && step.written) latest[UpperAnsi(step.path)] = &step;
    Way way(installFolder, installIdentity);
    std::vector<std::string> left;
    for (const JournalStep& step : steps) {
        if (step.kind != JournalStep::Kind::Kept || step.putBackFailed) continue;
        Standing standing = way.Hold(step.kept);
        if (standing == Standing::Missing) continue;
        if (standing != Standing::Clear) {
            if (notes) notes->push_back(LeftNote(standing, step.kept, way.At()));
            continue;
        }
        OpenedPath kept(step.kept, OpenedPath::Use::Act);
        if (kept.Missing()) continue;
        if (kept.Held() && (kept.IsLink() || kept.IsFolder())) {
            if (notes) notes->push_back(LinkNote(step.kept, step.kept));
            continue;
        }
        // The reader's original goes only where the run's own copy stands in
        // its place, held there (not to be swapped) until the original is gone.
        auto written = latest.find(UpperAnsi(step.path));
        OpenedPath copy;
        if (written != latest.end()) {
            copy = OpenedPath(step.path, OpenedPath::Use::Way);
            if (!copy.Held() || !StillTheRuns(*written->second, copy)) {
                if (notes) notes->push_back(LaterFileNote(step.path, step.kept));
                continue;
            }
        }
        if (!kept.Held() || !kept.Delete()) left.push_back(step.kept);
    }
    return left;
}

std::vector<JournalStep> FindMarkedKeptFiles(const std::string& folder, const std::string& mark) {
    std::vector<JournalStep> found;
    if (!mark.empty()) FindMarked(folder, mark, found);
    return found;
}

namespace {
// The originals of a completed run whose put-back failed during the copy:
// tried once more where nothing stands at their names.
std::vector<NotPutBack> PutBackFailedOriginals(const JournalText& journal, const std::vector<JournalStep>& steps) {
    std::vector<NotPutBack> left;
    Way way(journal.installFolder, journal.installIdentity);
    for (const JournalStep& step : steps) {
        if (step.kind != JournalStep::Kind::Kept || !step.putBackFailed) continue;
        Standing standing = way.Hold(step.kept);
        if (standing == Standing::Missing) continue;
        if (standing == Standing::Clear) {
            OpenedPath kept(step.kept, OpenedPath::Use::Act);
            if (kept.Missing()) continue;
            // Never over anything: the rename refuses a name that holds a file.
            if (kept.Held() && !kept.IsLink() && !kept.IsFolder() && kept.RenameTo(step.path)) continue;
        }
        left.push_back({step.path, step.kept});
    }
    return left;
}

// Which journals a repair carries out.
struct RepairChoice {
    std::string product;        // only this book's, when given
    std::string installFolder;  // only those into this folder, when given
    bool retire = false;        // the journals go without being undone
};

// The steps of the journal that lie inside the run's folders; each one
// outside them is refused, and named in the log.
std::vector<JournalStep> StepsInsideTheRun(const JournalText& journal, RepairResult& result) {
    std::vector<JournalStep> inside;
    for (const JournalStep& step : journal.steps) {
        if (InsideRunFolders(step, journal.installFolder))
            inside.push_back(step);
        else
            result.notes.push_back("Refused, as it lies outside the folders of the run that wrote the journal: " +
                                   step.path + (step.kept.empty() ? std::string() : " (" + step.kept + ")"));
    }
    return inside;
}

// `file`: the journal, opened for reading and shared with nobody, checked.
void RepairJournal(UniqueFile file, const std::string& path, const RepairChoice& choice, RepairResult& result) {
    std::optional<std::string> text = ReadAll(file.Get());
    if (!text) {
        // Kept for a later start, and counted as such.
        result.notes.push_back("A journal that cannot be read is left for a later start: " + path);
        ++result.left;
        return;
    }
    std::optional<JournalText> journal = ParseJournal(*text);
    bool done = false;
    if (!journal) {
        // Its first lines never reached the disk: the run changed nothing.
        done = true;
    } else {
        if (!choice.product.empty() && journal->product != choice.product) return;
        if (!choice.installFolder.empty() && UpperAnsi(StripTrailingBackslashes(journal->installFolder)) !=
                                                 UpperAnsi(StripTrailingBackslashes(choice.installFolder)))
            return;
        journal->steps = StepsInsideTheRun(*journal, result);
        if (choice.retire) {
            // Tried at this start already; undone now, it could only touch the
            // files of the run that has just completed (the same medium's copy
            // is as the older run left it). Its kept originals stay where they are.
            for (const JournalStep& step : AllSteps(*journal))
                if (step.kind == JournalStep::Kind::Kept && Exists(step.kept))
                    result.notes.push_back("An older run's original stays as " + step.kept + " (it was " + step.path +
                                           ")");
            result.notes.push_back("An older run's journal is retired: " + path);
            done = true;
        } else if (!DrivesThere(*journal)) {
            ++result.left;
            return;
        } else if (journal->completed) {
            std::vector<JournalStep> steps = AllSteps(*journal);
            std::vector<NotPutBack> stays = PutBackFailedOriginals(*journal, steps);
            done = DiscardKeptOriginals(steps, journal->installFolder, journal->installIdentity, &result.notes)
                       .empty() &&
                   stays.empty();
            result.notPutBack.insert(result.notPutBack.end(), stays.begin(), stays.end());
        } else {
            UndoResult undone = UndoRun(AllSteps(*journal), journal->installFolder, journal->installIdentity);
            done = undone.whole;
            result.notPutBack.insert(result.notPutBack.end(), undone.notPutBack.begin(), undone.notPutBack.end());
            result.notes.insert(result.notes.end(), undone.notes.begin(), undone.notes.end());
        }
    }
    file = UniqueFile();
    if (done && DeleteFileW(WideText(path).c_str())) ++result.repaired;
    else ++result.left;
}

RepairResult Repair(const JournalPlace& place, const RepairChoice& choice) {
    RepairResult result;
    const OwnerJudge judge(place);
    // Folders whose rights had to be made setup's: others could write in them until now.
    std::vector<std::string> repaired;
    std::vector<std::string> folders = OwnJournalFolders(place, judge, &result.notes, &repaired);
    if (!place.earlier.empty()) {
        std::vector<std::string> earlier =
            OwnJournalFolders(JournalPlace(place.earlier, place.machine), judge, &result.notes, &repaired);
        folders.insert(folders.end(), earlier.begin(), earlier.end());
    }
    for (const std::string& folder : folders) {
        std::vector<std::string> names;
        FolderListing listing(folder);
        while (listing.Next())
            if (!listing.Entry().IsFolder() && EndsWithJournalName(listing.Entry().name))
                names.push_back(listing.Entry().name);
        for (const std::string& name : names) {
            std::string path = JoinPath(folder, name);
            // Shared with nobody: a run that is still going on holds its
            // journal open for writing, and two repairs never undo one run
            // at once. What is checked is what is read: the same handle.
            UniqueFile file(CreateFileW(WideText(path).c_str(), GENERIC_READ | READ_CONTROL, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!file) continue;
            if (std::find(repaired.begin(), repaired.end(), folder) != repaired.end()) {
                // Anyone could have put it there: it goes without being read,
                // and the log names it.
                file = UniqueFile();
                if (DeleteFileW(WideText(path).c_str()))
                    result.notes.push_back("A journal found where others could write is retired, not carried out: " +
                                           path);
                else
                    result.notes.push_back("A journal found where others could write is left alone: " + path);
                continue;
            }
            JournalStanding standing;
            standing.elevated = judge.Elevated();
            standing.machineFolder = place.machine;
            // The folder is one of setup's, checked above.
            standing.folder = PathKind::Folder;
            standing.folderOwner = Owner::Administrators;
            standing.folderRightsSetups = true;
            standing.journal = KindOf(file.Get());
            standing.journalOwner = judge.OwnerOf(file.Get());
            BY_HANDLE_FILE_INFORMATION information = {};
            // Its names counted on the handle read: 0 when they cannot be.
            standing.journalNames =
                GetFileInformationByHandle(file.Get(), &information) ? information.nNumberOfLinks : 0;
            if (!MayCarryOut(standing)) {
                result.notes.push_back("A journal setup did not write is left alone: " + path);
                continue;
            }
            RepairJournal(std::move(file), path, choice, result);
        }
    }
    return result;
}
}  // namespace

RepairResult RepairUnfinishedRuns(const JournalPlace& place, const std::string& product) {
    return Repair(place, {product, {}, false});
}

RepairResult RetireOlderRuns(const JournalPlace& place, const std::string& installFolder) {
    if (installFolder.empty()) return {};
    return Repair(place, {{}, installFolder, true});
}

std::string RestoreProblemMessage(const std::string& text, const std::vector<NotPutBack>& files) {
    std::string list;
    for (const NotPutBack& file : files) list.append(file.path).append("\r\n    ").append(file.kept).append("\r\n");
    return FormatText(text.empty() ? kRestoreProblemDefault : text, list);
}
