#include "record/RunRepair.h"

#include <windows.h>

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

namespace {
// Far beyond a book's journal (a line is about 100 bytes): a larger file is not one.
constexpr DWORD kMostJournalBytes = 64u * 1024 * 1024;

constexpr const char* kRestoreProblemDefault =
    "Setup could not put back some of your files as they were before an installation that did not end. Each "
    "one's original is kept under the name given after it:\r\n\r\n%s";

bool Exists(const std::string& path) { return KindOf(path) != PathKind::Missing; }

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
            // Behind a link is what the reader linked, not the run's.
            if (!(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) FindMarked(path, mark, found);
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

// The first link (any reparse point) on the way from the install folder to
// the path, the install folder and the path included; empty when there is
// none. A path outside the install folder (a folder made above it) is looked
// at alone.
class LinkCheck {
public:
    explicit LinkCheck(const std::string& installFolder)
        : m_installKey(UpperAnsi(StripTrailingBackslashes(installFolder))) {}

    std::string LinkOnTheWay(const std::string& path) {
        std::string key = UpperAnsi(path);
        bool inside = !m_installKey.empty() && key.size() > m_installKey.size() &&
                      key.compare(0, m_installKey.size(), m_installKey) == 0 &&
                      StartsWithBackslash(std::string_view(key).substr(m_installKey.size()));
        std::string current = path;
        while (true) {
            if (IsLinkHere(current)) return current;
            if (!inside) return {};
            std::string parent = StripTrailingBackslashes(SplitPath(current).folder);
            if (parent.size() < m_installKey.size() || parent.size() >= current.size()) return {};
            current = parent;
        }
    }

private:
    bool IsLinkHere(const std::string& path) {
        std::string key = UpperAnsi(path);
        auto known = m_seen.find(key);
        if (known != m_seen.end()) return known->second;
        bool link = KindOf(path) == PathKind::Link;
        m_seen.emplace(std::move(key), link);
        return link;
    }

    std::string m_installKey;
    std::map<std::string, bool> m_seen;
};

std::string LinkNote(const std::string& path, const std::string& link) {
    return "Left alone, as its path passes the link " + link + ": " + path;
}

std::string LaterFileNote(const std::string& path, const std::string& kept) {
    return kept.empty() ? "Left alone, as it is no longer the file the run wrote: " + path
                        : "Not put back, as " + path + " is no longer the file the run wrote; the original stays as " +
                              kept;
}

// Whether the file at the path is still the one the run wrote: one the
// journal noted as written must stand as it was; of one it did not note (an
// earlier setup's journal, a write cut short) nothing more can be told.
bool StillTheRuns(const JournalStep& step) {
    if (!step.written) return true;
    std::optional<WrittenFile> now = WrittenFileAt(step.path);
    return now && *now == *step.written;
}
}  // namespace

UndoResult UndoRun(const std::vector<JournalStep>& steps, const std::string& installFolder) {
    UndoResult result;
    LinkCheck links(installFolder);
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (step->kind == JournalStep::Kind::Kept && !Exists(step->kept)) continue;
        std::string link = links.LinkOnTheWay(step->path);
        if (link.empty() && step->kind == JournalStep::Kind::Kept) link = links.LinkOnTheWay(step->kept);
        if (!link.empty()) {
            result.notes.push_back(LinkNote(step->path, link));
            continue;
        }
        switch (step->kind) {
        case JournalStep::Kind::Kept:
            // Onto a name that holds the run's copy, or nothing: never over a later file.
            if (Exists(step->path) && !StillTheRuns(*step)) {
                result.notes.push_back(LaterFileNote(step->path, step->kept));
                break;
            }
            if (!PutBack(step->kept, step->path)) {
                result.whole = false;
                result.notPutBack.push_back({step->path, step->kept});
            }
            break;
        case JournalStep::Kind::NewFile:
            if (!Exists(step->path)) break;
            if (!StillTheRuns(*step)) {
                result.notes.push_back(LaterFileNote(step->path, {}));
                break;
            }
            // The copy made it normal, but the reader may have marked it meanwhile.
            if (!DeleteOwnFile(step->path) && Exists(step->path)) result.whole = false;
            break;
        case JournalStep::Kind::Folder:
            // Children were made after their parents, so they go first.
            RemoveDirectoryW(WideText(step->path).c_str());
            break;
        }
    }
    return result;
}

std::vector<std::string> DiscardKeptOriginals(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                              std::vector<std::string>* notes) {
    // What the run last wrote at each name: a name it wrote twice holds the later.
    std::map<std::string, const JournalStep*> latest;
    for (const JournalStep& step : steps)
        if (step.kind != JournalStep::Kind::Folder && step.written) latest[UpperAnsi(step.path)] = &step;
    LinkCheck links(installFolder);
    std::vector<std::string> left;
    for (const JournalStep& step : steps) {
        if (step.kind != JournalStep::Kind::Kept || step.putBackFailed || !Exists(step.kept)) continue;
        std::string link = links.LinkOnTheWay(step.kept);
        if (!link.empty()) {
            if (notes) notes->push_back(LinkNote(step.kept, link));
            continue;
        }
        // The reader's original goes only where the run's own copy stands in its place.
        auto written = latest.find(UpperAnsi(step.path));
        if (written != latest.end() && !StillTheRuns(*written->second)) {
            if (notes) notes->push_back(LaterFileNote(step.path, step.kept));
            continue;
        }
        if (!DeleteOwnFile(step.kept) && Exists(step.kept)) left.push_back(step.kept);
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
std::vector<NotPutBack> PutBackFailedOriginals(const std::vector<JournalStep>& steps) {
    std::vector<NotPutBack> left;
    for (const JournalStep& step : steps) {
        if (step.kind != JournalStep::Kind::Kept || !step.putBackFailed || !Exists(step.kept)) continue;
        if (!Exists(step.path) && PutBack(step.kept, step.path)) continue;
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
    if (!text) return;
    std::optional<JournalText> journal = ParseJournal(*text);
    bool done = false;
    if (journal) journal->steps = StepsInsideTheRun(*journal, result);
    if (!journal) {
        // Its first lines never reached the disk: the run changed nothing.
        done = true;
    } else if (!choice.product.empty() && journal->product != choice.product) {
        return;
    } else if (!choice.installFolder.empty() &&
               UpperAnsi(StripTrailingBackslashes(journal->installFolder)) !=
                   UpperAnsi(StripTrailingBackslashes(choice.installFolder))) {
        return;
    } else if (choice.retire) {
        // Tried at this start already; undone now, it could only touch the
        // files of the run that has just completed (the same medium's copy
        // is as the older run left it). Its kept originals stay where they are.
        for (const JournalStep& step : AllSteps(*journal))
            if (step.kind == JournalStep::Kind::Kept && Exists(step.kept))
                result.notes.push_back("An older run's original stays as " + step.kept + " (it was " + step.path + ")");
        result.notes.push_back("An older run's journal is retired: " + path);
        done = true;
    } else if (!DrivesThere(*journal)) {
        ++result.left;
        return;
    } else if (journal->completed) {
        std::vector<JournalStep> steps = AllSteps(*journal);
        std::vector<NotPutBack> stays = PutBackFailedOriginals(steps);
        done = DiscardKeptOriginals(steps, journal->installFolder, &result.notes).empty() && stays.empty();
        result.notPutBack.insert(result.notPutBack.end(), stays.begin(), stays.end());
    } else {
        UndoResult undone = UndoRun(AllSteps(*journal), journal->installFolder);
        done = undone.whole;
        result.notPutBack.insert(result.notPutBack.end(), undone.notPutBack.begin(), undone.notPutBack.end());
        result.notes.insert(result.notes.end(), undone.notes.begin(), undone.notes.end());
    }
    file = UniqueFile();
    if (done && DeleteFileW(WideText(path).c_str())) ++result.repaired;
    else ++result.left;
}

RepairResult Repair(const JournalPlace& place, const RepairChoice& choice) {
    RepairResult result;
    const OwnerJudge judge(place);
    std::vector<std::string> folders = OwnJournalFolders(place, judge, &result.notes);
    if (!place.earlier.empty()) {
        std::vector<std::string> earlier =
            OwnJournalFolders(JournalPlace(place.earlier, place.machine), judge, &result.notes);
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
            JournalStanding standing;
            standing.elevated = judge.Elevated();
            standing.machineFolder = place.machine;
            // The folder is one of setup's, checked above.
            standing.folder = PathKind::Folder;
            standing.folderOwner = Owner::Administrators;
            standing.folderRightsSetups = true;
            standing.journal = KindOf(file.Get());
            standing.journalOwner = judge.OwnerOf(file.Get());
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
