#include "framework/Rights.h"

#include <aclapi.h>
#include <sddl.h>

#include "framework/UniqueHandle.h"

bool HasAdministratorRights() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &administrators))
        return false;
    BOOL member = FALSE;
    // The calling thread's token (its process's): a group present for
    // denying only, as in an administrator's token that was not elevated,
    // does not count.
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

namespace {
// A copy of a SID, owned.
PSID CopyOfSid(PSID sid) {
    if (!sid || !IsValidSid(sid)) return nullptr;
    DWORD length = GetLengthSid(sid);
    PSID copy = LocalAlloc(LMEM_FIXED, length);
    if (copy && !CopySid(length, copy, sid)) {
        LocalFree(copy);
        copy = nullptr;
    }
    return copy;
}
}  // namespace

PSID ProcessUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
    UniqueFile owner(token);
    BYTE buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return nullptr;
    return CopyOfSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

SecurityDescriptor::SecurityDescriptor(const char* text) {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &m_descriptor, nullptr))
        m_descriptor = nullptr;
}

// Whether the system records the user as the owner of its own system folder
// (read through a handle of it): on Windows the system owns that folder,
// and no administrator's user does.
bool UserOwnsSystemFolder(PSID user) {
    wchar_t folder[MAX_PATH + 1] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (!user || length == 0 || length > MAX_PATH) return false;
    UniqueFile system(CreateFileW(folder, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!system) return false;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR read = nullptr;
    if (GetSecurityInfo(system.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &read) != ERROR_SUCCESS)
        return false;
    bool owns = owner && IsValidSid(owner) && EqualSid(owner, user);
    LocalFree(read);
    return owns;
}

bool ApplyProtectedRights(HANDLE object, const char* rights) {
    SecurityDescriptor descriptor(rights);
    PSID owner = nullptr;
    PACL acl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!descriptor.Get() || !GetSecurityDescriptorOwner(descriptor.Get(), &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor.Get(), &present, &acl, &defaulted) || !present || !acl)
        return false;
    return SetSecurityInfo(object, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           owner, nullptr, acl, nullptr) == ERROR_SUCCESS;
}
