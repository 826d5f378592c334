#include "journal/JournalTrust.h"

#include <aclapi.h>
#include <sddl.h>

#include "framework/CodePage.h"
#include "framework/FileObject.h"
#include "framework/PathText.h"
#include "framework/Rights.h"
#include "framework/SafeFormat.h"
#include "framework/UniqueHandle.h"

// Owner Administrators; the system and the Administrators full control,
// Users read, for the folder and all it holds; protected from inheritance.
const char* const kJournalFolderRights = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";

namespace {
constexpr int kMostFolders = 9;  // the folder itself and eight an earlier setup made beside it

// Any right that changes a folder, what it holds, or who may.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                     FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                     GENERIC_ALL | MAXIMUM_ALLOWED;

bool Trusted(Owner owner, bool elevated) {
    switch (owner) {
    case Owner::System:
    case Owner::Administrators:
    case Owner::AsSetupMakes: return true;
    // The same user unelevated could have written it: only the user's own
    // unelevated run trusts it.
    case Owner::ThisUser: return !elevated;
    case Owner::Other: break;
    }
    return false;
}

// A journals' folder opened where it stands, without following a reparse
// point at its name, to be judged and secured through that handle. Opened by
// its path: the machine's journals' folders lie in the Windows folder (and,
// from earlier setups, in the common application data, where a folder is
// used only once its owner and rights on this very handle are setup's), on
// a path that only the system and the administrators may change; a user's
// lie in that user's own local application data, whose journals only the
// same user's run without elevation carries out.
struct OpenedFolder {
    UniqueFile handle;
    DWORD error = ERROR_SUCCESS;
    BY_HANDLE_FILE_INFORMATION info = {};
    DWORD attributes = 0;  // a reparse point's mark from the handle or the path
    DWORD tag = 0;         // its tag, where the handle tells it

    OpenedFolder(const std::string& path, DWORD access) {
        const std::wstring wide = WideText(path);
        handle = UniqueFile(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE | access,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle || !GetFileInformationByHandle(handle.Get(), &info)) {
            error = GetLastError();
            handle = UniqueFile();
            return;
        }
        // A handle that reached what a link leads to (Wine's, for a link of
        // the Linux side) does not say so; the path does.
        const DWORD onPath = GetFileAttributesW(wide.c_str());
        attributes = info.dwFileAttributes;
        if (onPath != INVALID_FILE_ATTRIBUTES) attributes |= onPath & FILE_ATTRIBUTE_REPARSE_POINT;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) tag = ReparseTagOf(handle.Get());
    }
    bool Missing() const { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }
};

// What stands at the path, as the handle opened without following a
// reparse point shows it: any reparse point is no folder of setup's.
PathKind KindOfOpened(const OpenedFolder& opened) {
    // Something stands there that cannot be opened so: it is not setup's.
    if (!opened.handle) return opened.Missing() ? PathKind::Missing : PathKind::File;
    return KindOfEntry(opened.attributes, opened.tag);
}

// Whether the folder's rights are setup's; `othersMayWrite` hears whether
// anyone but the system and the Administrators may change what it holds now
// (a list that merely inherits, as a system of coarse rights reads every
// list back, lets nobody else write all the same).
bool RightsOfHandleAreSetups(HANDLE folder, const OwnerJudge& judge, bool& othersMayWrite) {
    PSECURITY_DESCRIPTOR read = nullptr;
    PACL acl = nullptr;
    othersMayWrite = true;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr, &read) !=
        ERROR_SUCCESS)
        return false;
    bool setups = judge.RightsAreSetups(read);
    othersMayWrite = judge.OthersMayWrite(read);
    LocalFree(read);
    return setups;
}

// Whether the folder at the path is one the run may keep and carry out
// journals in; a machine folder of setup's whose rights are not the protected
// ones gets them here. `kind` says what stands there.
// `repaired`, when given, hears whether the rights had to be made setup's here.
bool SetupsFolder(const std::string& path, const JournalPlace& place, const OwnerJudge& judge, PathKind& kind,
                  bool* repaired = nullptr) {
    const OpenedFolder opened(path, place.machine ? READ_CONTROL | WRITE_DAC | WRITE_OWNER : READ_CONTROL);
    kind = KindOfOpened(opened);
    if (kind != PathKind::Folder) return false;
    JournalStanding standing;
    standing.elevated = judge.Elevated();
    standing.machineFolder = place.machine;
    standing.folder = kind;
    standing.folderOwner = judge.OwnerOf(opened.handle.Get());
    // Setup's own folder whose rights an earlier setup left open (or someone
    // changed): they are made the protected ones before a journal goes in.
    if (place.machine && Trusted(standing.folderOwner, standing.elevated)) {
        bool othersMayWrite = true;
        standing.folderRightsSetups = RightsOfHandleAreSetups(opened.handle.Get(), judge, othersMayWrite);
        if (!standing.folderRightsSetups) {
            standing.folderRightsSetups = ApplyProtectedRights(opened.handle.Get(), kJournalFolderRights);
            if (repaired) *repaired = standing.folderRightsSetups && othersMayWrite;
        }
    }
    return MayCarryOut(standing);
}

bool MakeFolder(const std::string& path, const JournalPlace& place) {
    if (!place.machine) return CreateDirectoryW(WideText(path).c_str(), nullptr) != FALSE;
    SecurityDescriptor rights(kJournalFolderRights);
    if (!rights.Get()) return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, rights.Get(), FALSE};
    return CreateDirectoryW(WideText(path).c_str(), &attributes) != FALSE;
}

std::string Candidate(const std::string& wanted, int index) {
    return index == 1 ? wanted : StringPrintf("%s %d", wanted.c_str(), index);
}

std::string KindText(PathKind kind) {
    switch (kind) {
    case PathKind::File: return "a file";
    case PathKind::Link: return "a link";
    case PathKind::OtherReparsePoint: return "a reparse point";
    case PathKind::Folder: return "another owner, or rights that are not setup's";
    case PathKind::Missing: break;
    }
    return "nothing";
}

// Moves what stands at the folder's name aside, to a free name beside it,
// without entering it (a rename moves a link, not what it points at).
bool MoveStrangerAside(const std::string& path, std::vector<std::string>* notes) {
    for (int attempt = 1; attempt <= 100; ++attempt) {
        std::string aside = StringPrintf("%s (not setup's %d)", path.c_str(), attempt);
        if (MoveFileExW(WideText(path).c_str(), WideText(aside).c_str(), 0)) {
            if (notes) notes->push_back(path + " was not setup's own: it is moved aside to " + aside + ".");
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    return false;
}
}  // namespace

bool MayCarryOut(const JournalStanding& standing) {
    // Elevation is a boundary: each run carries out what runs of its own rights wrote.
    if (standing.elevated != standing.machineFolder) return false;
    if (standing.folder != PathKind::Folder || !Trusted(standing.folderOwner, standing.elevated)) return false;
    if (standing.machineFolder && !standing.folderRightsSetups) return false;
    if (standing.journal == PathKind::Missing) return true;
    return standing.journal == PathKind::File && standing.journalNames == 1 &&
           Trusted(standing.journalOwner, standing.elevated);
}

OwnerJudge::OwnerJudge(const JournalPlace& place) : m_elevated(place.machine), m_user(ProcessUserSid()) {
    m_userOwnsSystemFolder = m_elevated && UserOwnsSystemFolder(m_user);
}

OwnerJudge::OwnerJudge(const JournalPlace& place, bool userOwnsSystemFolder)
    : m_elevated(place.machine), m_user(ProcessUserSid()), m_userOwnsSystemFolder(place.machine && userOwnsSystemFolder) {}

OwnerJudge::~OwnerJudge() { LocalFree(m_user); }

Owner OwnerJudge::Judge(PSID sid) const {
    if (!sid || !IsValidSid(sid)) return Owner::Other;
    if (IsWellKnownSid(sid, WinLocalSystemSid)) return Owner::System;
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return Owner::Administrators;
    // The user's own SID, whatever an elevated run itself makes is recorded as.
    if (m_user && EqualSid(sid, m_user)) return m_userOwnsSystemFolder ? Owner::AsSetupMakes : Owner::ThisUser;
    return Owner::Other;
}

Owner OwnerJudge::OwnerOf(HANDLE handle) const {
    PSID sid = nullptr;
    PSECURITY_DESCRIPTOR read = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr, nullptr, &read) !=
        ERROR_SUCCESS)
        return Owner::Other;
    Owner owner = Judge(sid);
    LocalFree(read);
    return owner;
}

bool OwnerJudge::RightsAreSetups(PSECURITY_DESCRIPTOR descriptor) const {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    // Inherited rights change with the folder above.
    if (!descriptor || !GetSecurityDescriptorControl(descriptor, &control, &revision) || !(control & SE_DACL_PROTECTED))
        return false;
    return !OthersMayWrite(descriptor);
}

bool OwnerJudge::OthersMayWrite(PSECURITY_DESCRIPTOR descriptor) const {
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    // No list at all: everyone may do everything.
    if (!descriptor || !GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl)
        return true;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&header))) return true;
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
        // Any other kind of entry may allow something: only the plain one is understood.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return true;
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if (!(ace->Mask & kWriteRights)) continue;
        Owner who = Judge(&ace->SidStart);
        if (who != Owner::System && who != Owner::Administrators && who != Owner::AsSetupMakes) return true;
    }
    return false;
}

PathKind KindOfEntry(DWORD attributes, DWORD tag) {
    // Any reparse point: what it leads to is not where setup put it.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return ReparseKindOfTag(tag) == ReparseKind::Link ? PathKind::Link : PathKind::OtherReparsePoint;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

PathKind KindOf(const std::string& path) {
    DWORD attributes = GetFileAttributesW(WideText(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return IsLink(path) ? PathKind::Link : PathKind::OtherReparsePoint;
    return KindOfEntry(attributes, 0);
}

PathKind KindOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information;
    // What cannot be told is taken as a link: never entered, never trusted.
    if (!GetFileInformationByHandle(handle, &information)) return PathKind::Link;
    const DWORD attributes = information.dwFileAttributes;
    return KindOfEntry(attributes, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? ReparseTagOf(handle) : 0);
}

Owner OwnerOf(const std::string& path) {
    const OpenedFolder opened(path, READ_CONTROL);
    if (!opened.handle) return Owner::Other;
    return OwnerJudge(JournalPlace{{}, false}).OwnerOf(opened.handle.Get());
}

std::vector<std::string> OwnJournalFolders(const JournalPlace& place, const OwnerJudge& judge,
                                           std::vector<std::string>* notes, std::vector<std::string>* repaired) {
    std::vector<std::string> folders;
    if (place.folder.empty()) return folders;
    // Every name is looked at: one that is free now says nothing of those after it.
    for (int index = 1; index <= kMostFolders; ++index) {
        std::string path = Candidate(place.folder, index);
        PathKind kind = PathKind::Missing;
        bool madeSetups = false;
        if (SetupsFolder(path, place, judge, kind, &madeSetups)) {
            folders.push_back(path);
            if (madeSetups && repaired) repaired->push_back(path);
        } else if (kind != PathKind::Missing && notes)
            notes->push_back(path + " is not setup's own (" + KindText(kind) + "): no journal in it is used.");
    }
    return folders;
}

std::string MakeOwnJournalFolder(const JournalPlace& place, const OwnerJudge& judge, std::vector<std::string>* notes) {
    const std::string& path = place.folder;
    if (path.empty()) return {};
    PathKind kind = PathKind::Missing;
    if (SetupsFolder(path, place, judge, kind)) return path;
    // A file or a folder that is not setup's is moved aside, never entered,
    // and setup makes its own. A link is left as it is (a rename or a removal
    // of a link is not safe on every system: some act on what it points at):
    // setup makes its own beside it.
    if (kind == PathKind::File || kind == PathKind::Folder) {
        if (!MoveStrangerAside(path, notes) && notes)
            notes->push_back(path + " is not setup's own (" + KindText(kind) + ") and cannot be moved aside.");
    }
    for (int index = 1; index <= kMostFolders; ++index) {
        const std::string candidate = Candidate(path, index);
        bool setups = SetupsFolder(candidate, place, judge, kind);
        // Made only where nothing stands: a folder made meanwhile by someone else is theirs.
        if (!setups && kind == PathKind::Missing && MakeFolder(candidate, place))
            setups = SetupsFolder(candidate, place, judge, kind);
        if (setups) {
            if (index > 1 && notes) notes->push_back("Setup keeps its journals in " + candidate + ".");
            return candidate;
        }
        if (notes) notes->push_back(candidate + " is not setup's own (" + KindText(kind) + "): no journal is kept in it.");
    }
    return {};
}
