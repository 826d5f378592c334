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

const char* AllUsersRefusedText() {
    return "Setup was asked with /ALLUSERS to install for every user of this computer, but it runs without "
           "administrator rights. Start it as an administrator, or without /ALLUSERS to install for yourself.";
}
