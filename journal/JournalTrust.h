#pragma once
// Which journals a run may carry out. A journal names files to delete and to
// move, and setup may run elevated: a journal that anyone with fewer rights
// could have written would steer it. So a run carries out only journals
// written with its own rights: an elevated run those in the machine's
// folder, which setup makes with rights of its own (the system and the
// Administrators write, Users read, nothing inherited), in files that the
// system or the Administrators own; a run without elevation those in the
// user's own folder. The same user unelevated is not trusted by the user
// elevated: every program the user runs can write the user's folder.
// Window-free.
#include <windows.h>

#include <string>
#include <vector>

#include "record/ScopePlaces.h"

// Who owns a file or folder, as far as trusting it goes.
enum class Owner {
    System,
    Administrators,
    // The run's own user, on a system that records that user as the owner
    // of its own system folder: one that keeps one owner for everything (as
    // Wine does), where what setup makes as the Administrators' is recorded
    // as the user's too, and the user owns whatever the machine trusts
    // already. Never so on Windows, whose system folder the system owns.
    AsSetupMakes,
    ThisUser,  // the user the run belongs to, unelevated as elevated
    Other,
};

// What stands at a path.
// What stands at a path. A link is told by the one rule of what a link is
// (framework/FileObject); a reparse point of any other kind is never a
// folder or a journal of setup's either.
enum class PathKind { Missing, Folder, File, Link, OtherReparsePoint };

struct JournalStanding {
    bool elevated = true;       // the run that would carry it out
    bool machineFolder = true;  // the folder is the machine's journals' folder
    PathKind folder = PathKind::Missing;
    Owner folderOwner = Owner::Other;
    // The machine's folder holds setup's protected rights (nobody but the
    // system and the Administrators may write in it).
    bool folderRightsSetups = false;
    PathKind journal = PathKind::Missing;
    Owner journalOwner = Owner::Other;
    // How many names the journal's file has: a second one (a hard link) may
    // lie where others write, and then anyone could have written it.
    DWORD journalNames = 1;
};

// The rule: an elevated run only in the machine's folder with setup's
// rights, a run without elevation only in the user's folder; the folder a
// folder and the journal a file (neither a link nor any other reparse
// point), each owned by the system or the Administrators (or, for a run
// without elevation, by its user). With `journal` Missing, whether the
// folder alone may hold journals.
bool MayCarryOut(const JournalStanding& standing);

// Whose the owners a run meets are, for the run that keeps its journals in
// the place (elevated for the machine's). An elevated run never takes its
// user's own SID for a trusted owner: the same user unelevated owns what it
// writes under that SID too. The one exception is a system that records the
// user as the owner of its own system folder (read once): there nothing
// tells the two apart, and the user owns the machine already.
class OwnerJudge {
public:
    explicit OwnerJudge(const JournalPlace& place);
    // As above, with whether the user owns the system folder given (for the
    // rule's table; the place says whether the run is elevated).
    OwnerJudge(const JournalPlace& place, bool userOwnsSystemFolder);
    ~OwnerJudge();
    OwnerJudge(const OwnerJudge&) = delete;
    OwnerJudge& operator=(const OwnerJudge&) = delete;

    bool Elevated() const { return m_elevated; }
    Owner Judge(PSID sid) const;
    // The owner of what the handle (opened with READ_CONTROL) names.
    Owner OwnerOf(HANDLE handle) const;
    // Whether the descriptor's rights are setup's protected ones: nothing
    // inherited, and write rights for nobody but the system and the
    // Administrators.
    bool RightsAreSetups(PSECURITY_DESCRIPTOR descriptor) const;
    // Whether anyone but the system and the Administrators may change what
    // the folder holds under these rights (inherited or not): a list that is
    // missing, or an entry of a kind not understood, counts as such.
    bool OthersMayWrite(PSECURITY_DESCRIPTOR descriptor) const;

private:
    bool m_elevated;
    PSID m_user = nullptr;  // this process's user
    // An elevated run on a system that records its user as the system folder's owner.
    bool m_userOwnsSystemFolder = false;
};

// What stands at the path and who owns it (Other when the owner cannot be
// read), by the path: for what is only looked at.
// What the attributes and, for a reparse point, its tag say stands there:
// the link by the one rule of what a link is (a tag of 0, not told, is one).
PathKind KindOfEntry(DWORD attributes, DWORD tag);
PathKind KindOf(const std::string& path);
Owner OwnerOf(const std::string& path);
// What the handle, opened without following a reparse point, names.
PathKind KindOf(HANDLE handle);

// The rights setup gives the machine's journals' folder, in the system's
// security descriptor language.
extern const char* const kJournalFolderRights;

// The journal folders whose journals the run may carry out: the place's
// folder itself when it is setup's, then those an earlier setup made beside
// it ("folder 2" to "folder 9") that are its own. A machine folder of setup's
// whose rights are not (or no longer) the protected ones gets them first,
// and is then listed in `repaired` too: what lies in it was there while
// others could write in it. `notes` hears of each folder at those names that
// is not setup's (for the log).
std::vector<std::string> OwnJournalFolders(const JournalPlace& place, const OwnerJudge& judge,
                                           std::vector<std::string>* notes = nullptr,
                                           std::vector<std::string>* repaired = nullptr);

// The folder a run keeps its journal in: the place's folder, made when
// missing (the machine's with the rights above). Something at its name that
// is not setup's (another owner, a link, a file) is moved aside, never
// entered, and setup makes its own. Empty when none can be had.
std::string MakeOwnJournalFolder(const JournalPlace& place, const OwnerJudge& judge, std::vector<std::string>* notes);
