#pragma once
// An elevated run for a book of the current user obeys what that user wrote
// without rights (the book's entry and its record under HKEY_CURRENT_USER,
// which any program the user runs may change): it acts only below that
// user's profile, and what it acts on there is reached through the door from
// the profile's root, so that a link inside the profile leads nowhere out.
// A run without rights acts with the user's own rights, and a book of the
// machine is named by administrators alone: neither is bound. Window-free.
#include <string>

#include "record/ScopePlaces.h"

// Whether the run may act only below the user's profile.
bool BoundToProfile(const ScopePlaces& places);

// Whether the run may act at the path: anywhere its rights allow when it is
// not bound; when it is, only at a plain full path strictly below the
// profile (whole characters compared, no "." or ".." names), and nowhere
// when the system does not name the profile.
bool MayActAt(const ScopePlaces& places, const std::string& path);
