#include "app/InstallScopeChoice.h"

#include <windows.h>

ScopeChoice ChooseInstallScope(bool administratorRights, ScopeRequest request) {
    switch (request) {
    case ScopeRequest::CurrentUser: return {InstallScope::CurrentUser, false};
    case ScopeRequest::AllUsers: return {InstallScope::Machine, !administratorRights};
    case ScopeRequest::None: break;
    }
    return {administratorRights ? InstallScope::Machine : InstallScope::CurrentUser, false};
}

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

const char* AllUsersRefusedText() {
    return "Setup was asked with /ALLUSERS to install for every user of this computer, but it runs without "
           "administrator rights. Start it as an administrator, or without /ALLUSERS to install for yourself.";
}
