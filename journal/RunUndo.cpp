#include "journal/RunUndo.h"

#include <map>
#include <memory>

#include "framework/AnsiText.h"
#include "framework/FolderListing.h"
#include "framework/PathText.h"
#include "framework/WorkLanes.h"
#include "journal/FileSteps.h"
#include "journal/RunWay.h"

namespace {
// Removes a folder the run made, when it is empty, no link, and the one the
// run made there: what else the reader keeps there, or puts at its name, is
// never touched.
bool RemoveMadeFolder(const JournalStep& step, RunWay& way, const std::optional<FileIdentity>& installIdentity,
                      const std::string& installFolder, UndoResult& result) {
    // The folder the way starts at stood before the run.
    if (way.IsStart(step.path)) {
        result.notes.push_back("Left alone, as it stood before the run: " + step.path);
        return true;
    }
    std::string name;
    std::shared_ptr<const HeldFolder> parent = way.Parent(step.path, name);
    if (!parent && way.Stop() == Standing::Missing) return true;
    if (!parent) {
        result.notes.push_back(way.LeftNote(step.path));
        return false;
    }
    // A held folder cannot be deleted: the way lets go of it first, and it
    // is opened from its held parent, to be checked and deleted on one handle.
    way.Release(step.path);
    HeldObject folder = parent->Open(name);
    if (folder.Missing()) return true;
    // Held by another program or refused: a later start tries again.
    if (!folder.Held()) {
        result.notes.push_back("Not removed, as it could not be opened: " + step.path);
        return false;
    }
    // A file at its name now is another's: settled.
    if (!folder.Facts().IsFolder()) return true;
    if (folder.Facts().link) {
        result.notes.push_back(LinkNote(step.path, step.path));
        return false;
    }
    const bool isInstallFolder = PathKey(step.path) == PathKey(installFolder);
    std::optional<FileIdentity> made = step.madeIdentity;
    if (!made && isInstallFolder) made = installIdentity;
    if (made && folder.Facts().identity != *made) {
        result.notes.push_back(isInstallFolder ? "Left alone, as " + step.path +
                                                     " is no longer the folder the run installed into: " + step.path
                                               : "Left alone, as it is no longer the folder the run made: " + step.path);
        return true;
    }
    // Only when empty: a folder that holds anything stays, settled.
    if (folder.Delete() || GetLastError() == ERROR_DIR_NOT_EMPTY) return true;
    result.notes.push_back("Not removed, as it could not be deleted: " + step.path);
    return false;
}

// The marked kept files the folder holds, and its folders, each held.
void ListMarked(const HeldFolder& folder, const std::string& mark, std::vector<JournalStep>& found,
                std::vector<std::shared_ptr<const HeldFolder>>& below) {
    // Listed while it is held: it cannot be swapped meanwhile, and each
    // folder below is entered from it by name, never through a link.
    FolderListing listing(folder.Path());
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        if (entry.name == "." || entry.name == "..") continue;
        if (entry.IsFolder()) {
            HeldFolder sub = folder.Folder(entry.name);
            if (sub.Held()) below.push_back(std::make_shared<const HeldFolder>(std::move(sub)));
        } else if (std::string original = NameOfMarkedKept(JoinPath(folder.Path(), entry.name), mark);
                   !original.empty()) {
            found.push_back({JournalStep::Kind::Kept, original, JoinPath(folder.Path(), entry.name)});
        }
    }
}
}  // namespace

UndoResult UndoRun(const std::vector<JournalStep>& steps, const std::string& installFolder,
                   const std::optional<FileIdentity>& installIdentity, const WayStart& start) {
    UndoResult result;
    RunWay way(installFolder, installIdentity, start);
    FileSteps files(way);
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (step->kind != JournalStep::Kind::Folder) {
            if (files.Crosses(*step)) files.Settle(result);
            files.Add(*step);
            continue;
        }
        // Children were made after their parents, so they go first; what
        // the run put in a folder goes before the folder.
        files.Settle(result);
        if (!RemoveMadeFolder(*step, way, installIdentity, installFolder, result)) result.whole = false;
    }
    files.Settle(result);
    return result;
}

std::vector<std::string> DiscardKeptOriginals(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                              const std::optional<FileIdentity>& installIdentity,
                                              std::vector<std::string>* notes, const WayStart& start) {
    // What the run last wrote at each name: a name it wrote twice holds the later.
    std::map<std::string, const JournalStep*> latest;
    for (const JournalStep& step : steps)
        if (step.kind != JournalStep::Kind::Folder && step.written) latest[UpperAnsi(step.path)] = &step;
    RunWay way(installFolder, installIdentity, start);
    std::vector<std::string> left;
    for (const JournalStep& step : steps) {
        if (step.kind != JournalStep::Kind::Kept || step.putBackFailed) continue;
        std::string keptName;
        std::shared_ptr<const HeldFolder> keptFolder = way.Parent(step.kept, keptName);
        if (!keptFolder && way.Stop() == Standing::Missing) continue;
        if (!keptFolder) {
            // Not reached (a link on the way, the folder away): it stays,
            // and whoever keeps the list tries again.
            if (notes) notes->push_back(way.LeftNote(step.kept));
            left.push_back(step.kept);
            continue;
        }
        HeldObject kept = keptFolder->Open(keptName);
        if (kept.Missing()) continue;
        if (kept.Held() && (kept.Facts().link || kept.Facts().IsFolder())) {
            if (notes) notes->push_back(LinkNote(step.kept, step.kept));
            continue;
        }
        // The reader's original goes only where the run's own copy stands in its place.
        auto written = latest.find(UpperAnsi(step.path));
        if (written != latest.end()) {
            std::string name;
            std::shared_ptr<const HeldFolder> folder = way.Parent(step.path, name);
            HeldObject copy = folder ? folder->Open(name) : HeldObject();
            if (!copy.Held() || !StillTheRuns(*written->second, copy.Facts())) {
                if (notes) notes->push_back(LaterFileNote(step.path, step.kept));
                continue;
            }
        }
        if (!kept.Held() || !kept.Delete()) left.push_back(step.kept);
    }
    return left;
}

std::vector<NotPutBack> PutBackFailedOriginals(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                               const std::optional<FileIdentity>& installIdentity,
                                               const WayStart& start) {
    std::vector<NotPutBack> left;
    RunWay way(installFolder, installIdentity, start);
    for (const JournalStep& step : steps) {
        if (step.kind != JournalStep::Kind::Kept || !step.putBackFailed) continue;
        std::string keptName, name;
        std::shared_ptr<const HeldFolder> keptFolder = way.Parent(step.kept, keptName);
        if (!keptFolder && way.Stop() == Standing::Missing) continue;
        std::shared_ptr<const HeldFolder> folder = keptFolder ? way.Parent(step.path, name) : nullptr;
        if (folder) {
            HeldObject kept = keptFolder->Open(keptName);
            if (kept.Missing()) continue;
            // Never over anything: the rename refuses a name that holds a file.
            if (kept.Held() && !kept.Facts().link && !kept.Facts().IsFolder() && kept.RenameTo(*folder, name)) continue;
        }
        left.push_back({step.path, step.kept});
    }
    return left;
}

std::vector<JournalStep> FindMarkedKeptFiles(const std::string& installFolder, const std::string& mark,
                                             const std::optional<FileIdentity>& installIdentity,
                                             const WayStart& start) {
    std::vector<JournalStep> found;
    if (mark.empty()) return found;
    RunWay way(installFolder, installIdentity, start);
    std::shared_ptr<const HeldFolder> top = way.Reach(installFolder);
    if (!top) return found;
    // The tree a level at a time, the folders of a level listed side by
    // side: a listing is a round of calls for every folder of the book.
    std::vector<std::shared_ptr<const HeldFolder>> level{top};
    while (!level.empty()) {
        std::vector<std::vector<JournalStep>> marked(level.size());
        std::vector<std::vector<std::shared_ptr<const HeldFolder>>> below(level.size());
        RunInLanes(level.size(), kUndoLanes, [&](size_t i) { ListMarked(*level[i], mark, marked[i], below[i]); });
        level.clear();
        for (size_t i = 0; i < marked.size(); ++i) {
            found.insert(found.end(), marked[i].begin(), marked[i].end());
            level.insert(level.end(), below[i].begin(), below[i].end());
        }
    }
    return found;
}

std::vector<NotPutBack> KeptFilesStanding(const std::vector<JournalStep>& steps, const std::string& installFolder,
                                          const std::optional<FileIdentity>& installIdentity,
                                          const WayStart& start) {
    std::vector<NotPutBack> standing;
    RunWay way(installFolder, installIdentity, start);
    for (const JournalStep& step : steps) {
        if (step.kind != JournalStep::Kind::Kept) continue;
        std::string name;
        std::shared_ptr<const HeldFolder> folder = way.Parent(step.kept, name);
        if (folder && folder->Open(name).Held()) standing.push_back({step.path, step.kept});
    }
    return standing;
}
