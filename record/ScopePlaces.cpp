#include "record/ScopePlaces.h"

#include "framework/PathText.h"
#include "framework/SystemFolders.h"

namespace {
constexpr const char* kUserFolderName = "Book Setup";
constexpr const char* kJournalsName = "Book Setup Journals";

std::string Below(const std::string& folder, const char* name) {
    return folder.empty() ? std::string() : JoinPath(folder, name);
}
}  // namespace

ScopePlaces PlacesFor(InstallScope scope, bool elevated) {
    ScopePlaces places;
    places.scope = scope;
    places.elevated = elevated;
    const bool user = scope == InstallScope::CurrentUser;
    places.hive = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    places.countsKey = user ? kUserSharedFilesKeyPath : kSharedFilesKeyPath;
    const std::string local = LocalAppDataFolder();
    places.uninstallerFolder = user ? Below(local, kUserFolderName) : WindowsFolder();
    places.journals.machine = elevated;
    if (elevated) {
        // In the Windows folder, where nobody but an administrator can make a
        // folder: nobody can take the name from setup first. Earlier setups
        // kept them in the machine's application data.
        places.journals.folder = Below(WindowsFolder(), kJournalsName);
        places.journals.earlier = Below(CommonAppDataFolder(), kJournalsName);
    } else {
        places.journals.folder = Below(local, kJournalsName);
    }
    places.userProfile = UserProfileFolder();
    return places;
}
