#include "record/JournalTrust.h"

#include <aclapi.h>
#include <sddl.h>

#include "framework/CodePage.h"
#include "framework/SafeFormat.h"
#include "framework/UniqueHandle.h"

// Owner Administrators; the system and the Administrators full control,
// Users read, for the folder and all it holds; protected from inheritance.
const char* const kJournalFolderRights = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";

namespace {
constexpr int kMostFolders = 9;  // the folder itself and eight beside it

bool Trusted(Owner owner) { return owner != Owner::Other; }

// The SID of the user this process runs as.
bool SameAsProcessUser(PSID sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    UniqueFile owner(token);
    BYTE buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return false;
    return EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid) != FALSE;
}

std::string Candidate(const std::string& wanted, int index) {
    return index == 1 ? wanted : StringPrintf("%s %d", wanted.c_str(), index);
}

bool OwnFolder(const std::string& path) {
    JournalStanding standing;
    standing.folder = KindOf(path);
    if (standing.folder == PathKind::Folder) standing.folderOwner = OwnerOf(path);
    return MayCarryOut(standing);
}

bool MakeFolder(const std::string& path, InstallScope scope) {
    if (scope == InstallScope::CurrentUser) return CreateDirectoryW(WideText(path).c_str(), nullptr) != FALSE;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kJournalFolderRights, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    BOOL made = CreateDirectoryW(WideText(path).c_str(), &attributes);
    LocalFree(descriptor);
    return made != FALSE;
}

std::string NotOursNote(const std::string& path) {
    switch (KindOf(path)) {
    case PathKind::Missing: return path + " cannot be made.";
    case PathKind::File: return path + " is not setup's own (a file): no journal is kept in it.";
    case PathKind::Link: return path + " is not setup's own (a link): no journal in it is used.";
    case PathKind::Folder: break;
    }
    return path + " is not setup's own (another owner): no journal in it is used.";
}
}  // namespace

bool MayCarryOut(const JournalStanding& standing) {
    if (standing.folder != PathKind::Folder || !Trusted(standing.folderOwner)) return false;
    if (standing.journal == PathKind::Missing) return true;
    return standing.journal == PathKind::File && Trusted(standing.journalOwner);
}

PathKind KindOf(const std::string& path) {
    DWORD attributes = GetFileAttributesW(WideText(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    // Any reparse point: what it leads to is not where setup put it.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::Link;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

namespace {
Owner OwnerIn(PSID sid, PSECURITY_DESCRIPTOR descriptor) {
    Owner owner = !sid                                             ? Owner::Other
                  : IsWellKnownSid(sid, WinLocalSystemSid)         ? Owner::System
                  : IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ? Owner::Administrators
                  : SameAsProcessUser(sid)                         ? Owner::ThisUser
                                                                   : Owner::Other;
    LocalFree(descriptor);
    return owner;
}
}  // namespace

Owner OwnerOf(const std::string& path) {
    PSID sid = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring wide = WideText(path);
    if (GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return Owner::Other;
    return OwnerIn(sid, descriptor);
}

Owner OwnerOfHandle(HANDLE handle) {
    PSID sid = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return Owner::Other;
    return OwnerIn(sid, descriptor);
}

std::vector<std::string> OwnJournalFolders(const std::string& wanted, std::vector<std::string>* notes) {
    std::vector<std::string> folders;
    if (wanted.empty()) return folders;
    for (int index = 1; index <= kMostFolders; ++index) {
        std::string path = Candidate(wanted, index);
        PathKind kind = KindOf(path);
        if (kind == PathKind::Missing) continue;
        if (OwnFolder(path))
            folders.push_back(path);
        else if (notes)
            notes->push_back(NotOursNote(path));
    }
    return folders;
}

std::string MakeOwnJournalFolder(const std::string& wanted, InstallScope scope, std::vector<std::string>* notes) {
    if (wanted.empty()) return {};
    for (int index = 1; index <= kMostFolders; ++index) {
        std::string path = Candidate(wanted, index);
        // Made only where nothing stands: a folder made first by someone else is theirs.
        if (KindOf(path) == PathKind::Missing) MakeFolder(path, scope);
        if (OwnFolder(path)) {
            if (index > 1 && notes) notes->push_back("Setup keeps its journals in " + path + ".");
            return path;
        }
        if (notes) notes->push_back(NotOursNote(path));
    }
    return {};
}
