#include "journal/RunUndo.h"

#include <map>
#include <set>

#include "framework/AnsiText.h"
#include "framework/FolderListing.h"
#include "framework/PathText.h"
#include "framework/WorkLanes.h"
#include "journal/RunWay.h"

namespace {

std::string LinkNote(const std::string& path, const std::string& link) {
    return "Left alone, as its path passes the link " + link + ": " + path;
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
bool StillTheRuns(const JournalStep& step, const ObjectFacts& now) {
    if (now.link || now.IsFolder()) return false;
    if (!step.written) return true;
    return IsTheWrittenFile(*step.written, {now.size, now.writeTime, now.identity});
}

// Puts a kept original back at its name, where the run's copy or nothing
// stands. A name that holds a file no longer the run's settles the step:
// nothing can ever be done for it, and the original stays where it is kept.
// False when the step was left for a reason that may pass.
bool PutBackKept(const JournalStep& step, RunWay& way, UndoResult& result) {
    auto leave = [&](std::string note) {
        result.notes.push_back(std::move(note));
        result.notPutBack.push_back({step.path, step.kept});
        return false;
    };
    std::string keptName, name;
    std::shared_ptr<const HeldFolder> keptFolder = way.Parent(step.kept, keptName);
    // Its folder is gone, and with it the kept file (or it has come back).
    if (!keptFolder && way.Stop() == Standing::Missing) return true;
    if (!keptFolder) return leave(way.LeftNote(step.kept));
    // Held both, whichever folder each lies in (a kept name beyond the
    // system's bound is a short one elsewhere).
    std::shared_ptr<const HeldFolder> folder = way.Parent(step.path, name);
    if (!folder) return leave(way.LeftNote(step.path));
    HeldObject kept = keptFolder->Open(keptName);
    // Back already, or never moved.
    if (kept.Missing()) return true;
    if (!kept.Held()) return leave("Not put back, as " + step.kept + " could not be opened: " + step.path);
    if (kept.Facts().link || kept.Facts().IsFolder()) return leave(LinkNote(step.path, step.kept));
    HeldObject there = folder->Open(name);
    if (there.Held()) {
        // Onto a name that holds the run's copy, or nothing: never over a later file.
        if (!StillTheRuns(step, there.Facts())) {
            result.notes.push_back(LaterFileNote(step.path, step.kept));
            return true;
        }
        if (!there.Delete()) return leave("Not put back, as the run's copy at " + step.path + " could not be deleted");
    } else if (!there.Missing()) {
        return leave("Not put back, as " + step.path + " could not be opened");
    }
    // Never over anything: what appeared at the name since is left alone.
    if (!kept.RenameTo(*folder, name)) return leave("Not put back: " + step.path + " (its original is " + step.kept + ")");
    return true;
}

// A file the run wrote, to be deleted while it is as the run left it: its
// folder reached down the way, the delete itself on a lane.
struct WrittenFile {
    const JournalStep* step = nullptr;
    std::shared_ptr<const HeldFolder> folder;
    std::string name;
    bool done = true;  // false: left for a reason that may pass
    std::string note;
};

// Reaches the file's folder (on the undo's own thread: the way is one walk).
WrittenFile ReachWritten(const JournalStep& step, RunWay& way) {
    WrittenFile file;
    file.step = &step;
    file.folder = way.Parent(step.path, file.name);
    if (!file.folder && way.Stop() != Standing::Missing) {
        file.done = false;
        file.note = way.LeftNote(step.path);
    }
    return file;
}

// Deletes the file through the handle it is checked on (on any lane).
void DeleteWritten(WrittenFile& written) {
    if (!written.folder) return;
    HeldObject file = written.folder->Open(written.name);
    if (file.Missing()) return;
    if (file.Held() && !StillTheRuns(*written.step, file.Facts())) {
        // Another's now (a later run's, the reader's): settled.
        written.note = LaterFileNote(written.step->path, {});
        return;
    }
    // The copy made it normal, but the reader may have marked it meanwhile.
    if (file.Held() && file.Delete()) return;
    written.done = false;
    written.note = "Not deleted, as it could not be opened or deleted: " + written.step->path;
}

// Deletes the files the run wrote that follow one another in the journal,
// side by side: each is an open, a look and a delete, and one thread spends
// them waiting. Each name is in the batch once, so that no two lanes act on
// one name; the notes come in the journal's order all the same.
class WrittenBatch {
public:
    bool Has(const std::string& path) const { return m_names.count(PathKey(path)) != 0; }
    void Add(WrittenFile file) {
        m_names.insert(PathKey(file.step->path));
        m_files.push_back(std::move(file));
    }
    void Settle(UndoResult& result) {
        RunInLanes(m_files.size(), kLanes, [this](size_t i) { DeleteWritten(m_files[i]); });
        for (WrittenFile& file : m_files) {
            if (!file.note.empty()) result.notes.push_back(std::move(file.note));
            if (!file.done) result.whole = false;
        }
        m_files.clear();
        m_names.clear();
    }

private:
    // As many as keep a file system's round of calls busy; more only wait.
    static constexpr unsigned kLanes = 3;
    std::vector<WrittenFile> m_files;
    std::set<std::string> m_names;
};

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

void FindMarked(const HeldFolder& folder, const std::string& mark, std::vector<JournalStep>& found) {
    // Listed while it is held: it cannot be swapped meanwhile, and each
    // folder below is entered from it by name, never through a link.
    FolderListing listing(folder.Path());
    while (listing.Next()) {
        const FolderEntry& entry = listing.Entry();
        if (entry.name == "." || entry.name == "..") continue;
        if (entry.IsFolder()) {
            HeldFolder below = folder.Folder(entry.name);
            if (below.Held()) FindMarked(below, mark, found);
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
    WrittenBatch written;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (step->kind == JournalStep::Kind::NewFile) {
            if (written.Has(step->path)) written.Settle(result);
            written.Add(ReachWritten(*step, way));
            continue;
        }
        // What comes before a put-back or a folder's removal is done first.
        written.Settle(result);
        bool done = true;
        switch (step->kind) {
        case JournalStep::Kind::Kept: done = PutBackKept(*step, way, result); break;
        // Children were made after their parents, so they go first.
        case JournalStep::Kind::Folder: done = RemoveMadeFolder(*step, way, installIdentity, installFolder, result); break;
        case JournalStep::Kind::NewFile: break;
        }
        if (!done) result.whole = false;
    }
    written.Settle(result);
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
    if (std::shared_ptr<const HeldFolder> folder = way.Reach(installFolder)) FindMarked(*folder, mark, found);
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
