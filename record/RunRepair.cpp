#include "record/RunRepair.h"

#include <windows.h>

#include <set>

#include "framework/AnsiText.h"
#include "record/OwnFiles.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"
#include "framework/UniqueHandle.h"

namespace {
// Far beyond a book's journal (a line is about 100 bytes): a larger file is not one.
constexpr DWORD kMostJournalBytes = 64u * 1024 * 1024;

constexpr const char* kRestoreProblemDefault =
    "Setup could not put back some of your files as they were before an installation that did not end. Each "
    "one's original is kept under the name given after it:\r\n\r\n%s";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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

void FindMarked(const std::string& folder, const std::string& mark, std::vector<JournalStep>& found) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = JoinPath(folder, name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // Behind a link is what the reader linked, not the run's.
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) FindMarked(path, mark, found);
        } else if (std::string original = NameOfMarkedKept(path, mark); !original.empty()) {
            found.push_back({JournalStep::Kind::Kept, original, path});
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
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
}  // namespace

UndoResult UndoRun(const std::vector<JournalStep>& steps) {
    UndoResult result;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        switch (step->kind) {
        case JournalStep::Kind::Kept:
            if (!Exists(step->kept)) break;
            if (!PutBack(step->kept, step->path)) {
                result.whole = false;
                result.notPutBack.push_back({step->path, step->kept});
            }
            break;
        case JournalStep::Kind::NewFile:
            // The copy made it normal, but the reader may have marked it meanwhile.
            if (!DeleteOwnFile(step->path) && Exists(step->path)) result.whole = false;
            break;
        case JournalStep::Kind::Folder:
            // Children were made after their parents, so they go first.
            RemoveDirectoryA(step->path.c_str());
            break;
        }
    }
    return result;
}

std::vector<std::string> DiscardKeptOriginals(const std::vector<JournalStep>& steps) {
    std::vector<std::string> left;
    for (const JournalStep& step : steps)
        if (step.kind == JournalStep::Kind::Kept && !DeleteOwnFile(step.kept) && Exists(step.kept))
            left.push_back(step.kept);
    return left;
}

std::vector<JournalStep> FindMarkedKeptFiles(const std::string& folder, const std::string& mark) {
    std::vector<JournalStep> found;
    if (!mark.empty()) FindMarked(folder, mark, found);
    return found;
}

RepairResult RepairUnfinishedRuns(const std::string& journalFolder, const std::string& product) {
    RepairResult result;
    if (journalFolder.empty()) return result;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(JoinPath(journalFolder, "*.jnl").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return result;
    std::vector<std::string> names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);

    for (const std::string& name : names) {
        std::string path = JoinPath(journalFolder, name);
        // Shared with nobody: a run that is still going on holds its journal
        // open for writing, and two repairs never undo one run at once.
        UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) continue;
        std::optional<std::string> text = ReadAll(file.Get());
        if (!text) continue;
        std::optional<JournalText> journal = ParseJournal(*text);
        bool done = false;
        if (!journal) {
            // Its first lines never reached the disk: the run changed nothing.
            done = true;
        } else if (!product.empty() && journal->product != product) {
            continue;
        } else if (!DrivesThere(*journal)) {
            ++result.left;
            continue;
        } else if (journal->completed) {
            done = DiscardKeptOriginals(AllSteps(*journal)).empty();
        } else {
            UndoResult undone = UndoRun(AllSteps(*journal));
            done = undone.whole;
            result.notPutBack.insert(result.notPutBack.end(), undone.notPutBack.begin(), undone.notPutBack.end());
        }
        file = UniqueFile();
        if (done && DeleteFileA(path.c_str())) ++result.repaired;
        else ++result.left;
    }
    return result;
}

std::string RestoreProblemMessage(const std::string& text, const std::vector<NotPutBack>& files) {
    std::string list;
    for (const NotPutBack& file : files) list.append(file.path).append("\r\n    ").append(file.kept).append("\r\n");
    return FormatText(text.empty() ? kRestoreProblemDefault : text, list);
}
