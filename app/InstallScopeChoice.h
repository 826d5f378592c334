#pragma once
// For whom a run installs. A run with administrator rights installs for the
// machine, as every setup did; one without them for the current user, who
// may write nothing of the machine's. /CURRENTUSER asks for the current user
// whatever the rights; /ALLUSERS asks for the machine and is refused without
// the rights (the run then stops before it changes anything).
#include "framework/Rights.h"
#include "record/InstallScope.h"

// What the command line asks for.
enum class ScopeRequest { None, CurrentUser, AllUsers };

struct ScopeChoice {
    InstallScope scope = InstallScope::Machine;
    bool refused = false;  // /ALLUSERS without administrator rights: nothing is installed
    bool operator==(const ScopeChoice&) const = default;
};

// The rule, apart from asking the system. Window-free.
ScopeChoice ChooseInstallScope(bool administratorRights, ScopeRequest request);


// Why a run with /ALLUSERS without the rights installs nothing: the one line
// that follows the book's problem text (and goes to the log).
const char* AllUsersRefusedText();
