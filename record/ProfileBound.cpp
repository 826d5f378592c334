#include "record/ProfileBound.h"

#include "framework/PathText.h"

bool BoundToProfile(const ScopePlaces& places) {
    return places.elevated && places.scope == InstallScope::CurrentUser;
}

bool MayActAt(const ScopePlaces& places, const std::string& path) {
    if (!BoundToProfile(places)) return true;
    return !places.userProfile.empty() && PlainFullPath(path) && IsBelowFolder(path, places.userProfile);
}
