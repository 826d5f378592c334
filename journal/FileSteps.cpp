#include "journal/FileSteps.h"

#include "framework/AnsiText.h"
#include "framework/WorkLanes.h"

bool StillTheRuns(const JournalStep& step, const ObjectFacts& now) {
    if (now.link || now.IsFolder()) return false;
    if (!step.written) return true;
    return IsTheWrittenFile(*step.written, {now.size, now.writeTime, now.identity});
}

std::string LinkNote(const std::string& path, const std::string& link) {
    return "Left alone, as its path passes the link " + link + ": " + path;
}

std::string LaterFileNote(const std::string& path, const std::string& kept) {
    return kept.empty() ? "Left alone, as it is no longer the file the run wrote: " + path
                        : "Not put back, as " + path + " is no longer the file the run wrote; the original stays as " +
                              kept;
}

void FileSteps::Add(const JournalStep& step) {
    Work work;
    work.step = &step;
    auto leave = [&](std::string note) {
        work.reached = false;
        work.done = false;
        work.notes.push_back(std::move(note));
        if (step.kind == JournalStep::Kind::Kept) work.notPutBack.push_back({step.path, step.kept});
    };
    if (step.kind == JournalStep::Kind::Kept) {
        work.keptFolder = m_way.Parent(step.kept, work.keptName);
        // Its folder is gone, and with it the kept file (or it has come back).
        if (!work.keptFolder && m_way.Stop() == Standing::Missing) work.reached = false;
        else if (!work.keptFolder) leave(m_way.LeftNote(step.kept));
    }
    // Held both, whichever folder each lies in (a kept name beyond the
    // system's bound is a short one elsewhere).
    if (work.reached) {
        work.folder = m_way.Parent(step.path, work.name);
        if (!work.folder && step.kind == JournalStep::Kind::NewFile && m_way.Stop() == Standing::Missing)
            work.reached = false;
        else if (!work.folder) leave(m_way.LeftNote(step.path));
    }
    // The names it acts on; it goes after the steps already taken of either.
    const std::vector<std::string> keys = KeysOf(step);
    size_t name = m_names.size();
    for (const std::string& key : keys)
        if (auto found = m_nameOf.find(key); found != m_nameOf.end()) name = found->second;
    if (name == m_names.size()) m_names.emplace_back();
    for (const std::string& key : keys) m_nameOf[key] = name;
    m_names[name].push_back(m_work.size());
    m_work.push_back(std::move(work));
}

bool FileSteps::Crosses(const JournalStep& step) const {
    const std::vector<std::string> keys = KeysOf(step);
    if (keys.size() < 2) return false;
    auto first = m_nameOf.find(keys[0]), second = m_nameOf.find(keys[1]);
    return first != m_nameOf.end() && second != m_nameOf.end() && first->second != second->second;
}

std::vector<std::string> FileSteps::KeysOf(const JournalStep& step) {
    std::vector<std::string> keys = {PathKey(step.path)};
    if (step.kind == JournalStep::Kind::Kept) keys.push_back(PathKey(step.kept));
    return keys;
}

void FileSteps::Settle(UndoResult& result) {
    RunInLanes(m_names.size(), kUndoLanes, [this](size_t name) {
        for (size_t index : m_names[name]) Act(m_work[index]);
    });
    for (Work& work : m_work) {
        for (std::string& note : work.notes) result.notes.push_back(std::move(note));
        for (NotPutBack& left : work.notPutBack) result.notPutBack.push_back(std::move(left));
        if (!work.done) result.whole = false;
    }
    m_work.clear();
    m_names.clear();
    m_nameOf.clear();
}

void FileSteps::Act(Work& work) {
    if (!work.reached) return;
    if (work.step->kind == JournalStep::Kind::Kept) PutBack(work);
    else DeleteWritten(work);
}

// Puts a kept original back at its name, where the run's copy or nothing
// stands. A name that holds a file no longer the run's settles the step:
// nothing can ever be done for it, and the original stays where it is kept.
void FileSteps::PutBack(Work& work) {
    const JournalStep& step = *work.step;
    auto leave = [&](std::string note) {
        work.done = false;
        work.notes.push_back(std::move(note));
        work.notPutBack.push_back({step.path, step.kept});
    };
    HeldObject kept = work.keptFolder->Open(work.keptName);
    // Back already, or never moved.
    if (kept.Missing()) return;
    if (!kept.Held()) return leave("Not put back, as " + step.kept + " could not be opened: " + step.path);
    if (kept.Facts().link || kept.Facts().IsFolder()) return leave(LinkNote(step.path, step.kept));
    HeldObject there = work.folder->Open(work.name);
    if (there.Held()) {
        // Onto a name that holds the run's copy, or nothing: never over a later file.
        if (!StillTheRuns(step, there.Facts())) {
            work.notes.push_back(LaterFileNote(step.path, step.kept));
            return;
        }
        if (!there.Delete()) return leave("Not put back, as the run's copy at " + step.path + " could not be deleted");
    } else if (!there.Missing()) {
        return leave("Not put back, as " + step.path + " could not be opened");
    }
    // Never over anything: what appeared at the name since is left alone.
    if (!kept.RenameTo(*work.folder, work.name))
        leave("Not put back: " + step.path + " (its original is " + step.kept + ")");
}

// Deletes a file the run wrote, while it is as the run left it, through the
// handle it is checked on.
void FileSteps::DeleteWritten(Work& work) {
    const JournalStep& step = *work.step;
    HeldObject file = work.folder->Open(work.name);
    if (file.Missing()) return;
    if (file.Held() && !StillTheRuns(step, file.Facts())) {
        // Another's now (a later run's, the reader's): settled.
        work.notes.push_back(LaterFileNote(step.path, {}));
        return;
    }
    // The copy made it normal, but the reader may have marked it meanwhile.
    if (file.Held() && file.Delete()) return;
    work.done = false;
    work.notes.push_back("Not deleted, as it could not be opened or deleted: " + step.path);
}
