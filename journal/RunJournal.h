#pragma once
// The journal of one setup run on the disk, written ahead of every change the
// copy makes: where the run installs, each folder it makes, each new file, and
// each reader's file it keeps aside with the name it is kept under. A run cut
// short (ended from the task list, a logoff, a power cut) is undone from it by
// the next start of setup of any book, from any medium, or by the product's
// uninstaller. The journal goes when the run ends, completed or undone.
// Window-free.
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/UniqueHandle.h"
#include "journal/JournalTrust.h"
#include "record/OwnFiles.h"

// A file as the run left it at its name, once it was written whole.
struct WrittenFile {
    uint64_t size = 0;
    uint64_t writeTime = 0;  // the last-write time, in the system's 100 ns units
    // Which file it was: a later file of the same size and time (the same
    // medium installed again keeps the source's time) is another. Journals
    // of earlier setups do not say.
    std::optional<FileIdentity> identity;
    bool operator==(const WrittenFile&) const = default;
};

// Whether `now` is the file noted as `written`: the same size and time, and
// the same file where the journal noted which.
bool IsTheWrittenFile(const WrittenFile& written, const WrittenFile& now);

// One change of a run, as the undo needs it.
struct JournalStep {
    enum class Kind { Folder, NewFile, Kept };
    Kind kind = Kind::NewFile;
    std::string path;  // the folder or file at its own name
    std::string kept;  // Kept: where the reader's file lies meanwhile
    // NewFile and Kept: the run's file at `path` as written, once it was
    // (journals of earlier setups do not say). A file that is no longer so
    // is a later run's, or the reader's: the undo leaves it, and the kept
    // original stays where it is kept.
    std::optional<WrittenFile> written;
    // Kept: moving the original back failed; it stays under its kept name
    // and is never deleted as the run's.
    bool putBackFailed = false;
    // Folder: which folder the run made there (journals of earlier setups
    // do not say): one made again at the name by someone else is not the run's.
    std::optional<FileIdentity> madeIdentity;
    bool operator==(const JournalStep&) const = default;
};

// Where a run's way starts: the nearest folder of the install folder's path
// that stood before the run (the install folder itself when it did),
// resolved once by its path, and which folder it was. Every folder the run
// made lies below it, and its undo walks down from it, folder by held folder,
// never through a link. Journals of earlier setups do not say (empty path).
struct WayStart {
    std::string path;
    std::optional<FileIdentity> identity;
    bool operator==(const WayStart&) const = default;
};

// What a journal on the disk says.
struct JournalText {
    std::string mark;           // the run's mark in its kept names
    std::string product;        // the book's ProductName
    std::string installFolder;  // where the run installs
    // Which folder that was when the run began to write in it (whatever
    // link its path is); journals of earlier setups do not say.
    std::optional<FileIdentity> installIdentity;
    WayStart start;
    // The copy completed: what is left to do is deleting the kept originals.
    bool completed = false;
    std::vector<JournalStep> steps;  // oldest first
};


// The journal's text as the run writes it (UTF-8, whichever code page the
// run's program had, so that every name is kept whole); a last line cut short (the run
// ended in the middle of writing it) is left out. Nothing when the text is
// not a journal's.
std::optional<JournalText> ParseJournal(std::string_view text);

// The name a reader's file is kept under while the run lasts: its own name
// with the run's mark added, so that a kept file is matched to its name even
// when the journal's last lines never reached the disk. Empty when that does
// not fit the system's path bound (counted in UTF-16 units, as the system
// counts).
std::string MarkedKeptName(const std::string& path, const std::string& mark);
// The name a kept file of the run stood under, when `kept` carries the mark;
// empty otherwise.
std::string NameOfMarkedKept(const std::string& kept, const std::string& mark);

class RunJournal {
public:
    // A journal kept in memory only (until Begin): the undo of an abandoned
    // run needs the same steps.
    RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;
    // Closes the file; it stays on the disk unless the run ended (End).
    ~RunJournal();

    // Starts the journal's file in the place's folder (made when missing,
    // with the rights of the place; something there that is not setup's is
    // moved aside) under a name of its own, held open so
    // that no other setup takes the run for an unfinished one; its first
    // lines are on the disk when this returns. The mark may change here (a
    // name already taken), never later. False when the file cannot be made:
    // the journal then stays in memory.
    bool Begin(const JournalPlace& place, const std::string& product, const std::string& installFolder);
    // What Begin has to say for the log (a folder not setup's, moved aside).
    const std::vector<std::string>& Notes() const { return m_notes; }
    bool OnDisk() const { return m_file.Valid(); }
    const std::string& Path() const { return m_path; }
    // The run's mark in kept names (eight hex digits).
    const std::string& Mark() const { return m_mark; }

    // Each note comes before the change it names; false when it could not be
    // written, and the change must then not be made.
    bool NoteFolder(const std::string& path);
    // Which folder the install folder is, once it stands: the undo acts in
    // it only while it is still that one.
    bool NoteInstallFolder(const FileIdentity& identity);
    // Where the run's way starts, and which folder that is: before the first
    // folder is made below it.
    bool NoteStart(const std::string& path, const FileIdentity& identity);
    const WayStart& Start() const { return m_start; }
    // Which folder the run made at `path` (noted ahead with NoteFolder).
    bool NoteFolderMade(const std::string& path, const FileIdentity& identity);
    const std::optional<FileIdentity>& InstallIdentity() const { return m_installIdentity; }
    // The folder was there already: not the run's to remove.
    void NoteFolderThere(const std::string& path);
    bool NoteNewFile(const std::string& path);
    // The latest new file noted at `path` was not the run's: something else
    // took the name before the run could create it there. Nothing of the
    // run deletes it; false when the line could not be written.
    bool NoteNotTheRuns(const std::string& path);
    // `flush`: the kept name does not carry the run's mark, so the line must
    // reach the disk before the file moves.
    bool NoteKept(const std::string& path, const std::string& kept, bool flush);
    // The file at `path` was written whole, and stands as `written`.
    bool NoteWritten(const std::string& path, const WrittenFile& written);
    // The reader's file kept as `kept` could not be moved back to `path`: it
    // stays kept, and nothing deletes it as the run's.
    bool NotePutBackFailed(const std::string& path, const std::string& kept);
    // The copy completed: from here on only the kept originals are deleted.
    bool NoteCompleted();
    // Hands what was written to the disk (the session is ending).
    void Flush();
    // The run has ended, completed or undone: the file goes.
    void End();
    // The run stops without being undone (the session is ending): the file
    // stays on the disk, closed, for the next start.
    void Leave();

    // The changes so far, oldest first.
    const std::vector<JournalStep>& Steps() const { return m_steps; }

private:
    bool Write(std::string_view kind, const std::string& path, const std::string* kept, bool flush);
    // Whole lines in the program's code page, in one write.
    bool WriteLines(std::string lines, bool flush);

    std::mutex m_mutex;  // the session's end flushes from the user-interface thread
    UniqueFile m_file;
    std::string m_path;
    std::string m_mark;
    std::vector<JournalStep> m_steps;
    std::vector<std::string> m_notes;
    std::optional<FileIdentity> m_installIdentity;
    WayStart m_start;
};
