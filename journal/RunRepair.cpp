#include "journal/RunRepair.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/FolderListing.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"
#include "framework/UniqueHandle.h"
#include "journal/JournalTrust.h"
#include "journal/RunFolders.h"

namespace {
// Far beyond a book's journal (a line is about 100 bytes): a larger file is not one.
constexpr DWORD kMostJournalBytes = 64u * 1024 * 1024;

constexpr const char* kRestoreProblemDefault =
    "Setup could not put back some of your files as they were before an installation that did not end. Each "
    "one's original is kept under the name given after it:\r\n\r\n%s";

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

// The run's steps: the journal's, and after them the kept files its lost
// last lines would have named.
std::vector<JournalStep> AllSteps(const JournalText& journal) {
    std::vector<JournalStep> steps = journal.steps;
    if (journal.installFolder.empty() || journal.mark.empty()) return steps;
    std::set<std::string> named;
    for (const JournalStep& step : steps)
        if (step.kind == JournalStep::Kind::Kept) named.insert(UpperAnsi(step.kept));
    for (JournalStep& step :
         FindMarkedKeptFiles(journal.installFolder, journal.mark, journal.installIdentity, journal.start))
        if (!named.count(UpperAnsi(step.kept))) steps.push_back(std::move(step));
    return steps;
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
        if (InsideRunFolders(step, journal.installFolder, journal.start.path))
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
        if (!choice.installFolder.empty() && PathKey(journal->installFolder) != PathKey(choice.installFolder))
            return;
        // A way that does not start at the install folder or a folder on the
        // way to it was never a run's: nothing of it is carried out.
        if (!StartOnTheWay(journal->start, journal->installFolder)) {
            result.notes.push_back("Refused, as its way does not start on the way to the folder it installs into (" +
                                   journal->start.path + ", " + journal->installFolder + "): " + path);
            ++result.left;
            return;
        }
        journal->steps = StepsInsideTheRun(*journal, result);
        const std::vector<JournalStep> steps = AllSteps(*journal);
        const std::string& folder = journal->installFolder;
        if (choice.retire) {
            // Tried at this start already; undone now, it could only touch the
            // files of the run that has just completed (the same medium's copy
            // is as the older run left it). Its kept originals stay where they are.
            for (const NotPutBack& kept : KeptFilesStanding(steps, folder, journal->installIdentity, journal->start))
                result.notes.push_back("An older run's original stays as " + kept.kept + " (it was " + kept.path + ")");
            result.notes.push_back("An older run's journal is retired: " + path);
            done = true;
        } else if (journal->completed) {
            // A start that is away or missing leaves every kept original
            // where it is, and the journal with them.
            std::vector<NotPutBack> stays = PutBackFailedOriginals(steps, folder, journal->installIdentity, journal->start);
            done = DiscardKeptOriginals(steps, folder, journal->installIdentity, &result.notes, journal->start).empty() &&
                   stays.empty();
            result.notPutBack.insert(result.notPutBack.end(), stays.begin(), stays.end());
        } else {
            UndoResult undone = UndoRun(steps, folder, journal->installIdentity, journal->start);
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
