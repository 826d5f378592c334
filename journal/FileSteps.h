#pragma once
// The undo of the steps that concern files (a file the run wrote, a reader's
// file it kept aside), side by side. Each is an open, a look and a delete or
// a rename, and one thread spends them waiting on the file system; so the
// folders are reached down the run's way on the undo's own thread (the way
// is one walk), and the acts, each checked and done through one handle, on
// lanes. The steps of one name stay in their order on one lane; what the
// undo learns comes out in the journal's order all the same. Window-free.
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "journal/RunUndo.h"
#include "journal/RunWay.h"

// How many lanes the undo acts in: as many as keep a file system's round of
// calls busy; more only wait.
constexpr unsigned kUndoLanes = 3;

// Whether the file held is still the one the run wrote: one the journal
// noted as written must stand as it was (size, time and, where noted, which
// file); of one it did not note (an earlier setup's journal, a write cut
// short) nothing more can be told. A link or a folder at its name never is.
bool StillTheRuns(const JournalStep& step, const ObjectFacts& now);

// For the log: a step left for a link on its path; a name that holds a
// file no longer the run's (with where the original stays, if one was kept).
std::string LinkNote(const std::string& path, const std::string& link);
std::string LaterFileNote(const std::string& path, const std::string& kept);

class FileSteps {
public:
    explicit FileSteps(RunWay& way) : m_way(way) {}
    FileSteps(const FileSteps&) = delete;
    FileSteps& operator=(const FileSteps&) = delete;

    // Whether the step's two names (a kept file's) each have steps taken in
    // already, apart: it would join two lanes' work, and the steps taken in
    // are settled first.
    bool Crosses(const JournalStep& step) const;
    // Reaches the folders of a new file's or a kept file's step and takes it
    // in, after the steps taken in already of the same names.
    void Add(const JournalStep& step);
    // Acts on every step taken in, side by side, and tells the result.
    void Settle(UndoResult& result);

private:
    struct Work {
        const JournalStep* step = nullptr;
        std::shared_ptr<const HeldFolder> folder, keptFolder;
        std::string name, keptName;
        bool reached = true;  // false: the reach settled it (the notes say how)
        bool done = true;     // false: left for a reason that may pass
        std::vector<std::string> notes;
        std::vector<NotPutBack> notPutBack;
    };
    static std::vector<std::string> KeysOf(const JournalStep& step);
    static void Act(Work& work);
    static void PutBack(Work& work);
    static void DeleteWritten(Work& work);

    RunWay& m_way;
    std::deque<Work> m_work;                  // in the order taken in
    std::vector<std::vector<size_t>> m_names;  // each name's steps, in order
    std::map<std::string, size_t> m_nameOf;   // a name's key -> its index in m_names
};
