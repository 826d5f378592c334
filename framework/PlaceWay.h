#pragma once
// Writing in a place that the user (unelevated too) may change: the
// temporary folder, the Desktop, the local application data, a folder named
// on a command line. Any folder on such a path can be swapped for a link
// while setup runs elevated, so the place is reached through the door from a
// root that only the system and the administrators change: the user's
// profile (as the system names it) for a path below it, any other path from
// its drive's root (a share's "\\server\share\"). No link on the way is
// followed, and what stands at the file's name (a link, a second name of a
// file elsewhere) is removed by its name, never written through.
// Window-free.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "framework/FolderWay.h"
#include "framework/UniqueHandle.h"

// The root a way to the full path starts from: the profile for a path below
// it (or the profile itself), else the drive's or share's root; empty for a
// path that is neither on a drive nor on a share.
std::string PlaceRoot(const std::string& path, const std::string& profile);

// The way to the full path (made full first), from its root above: not held
// when the root cannot be opened.
FolderWay WayToPlace(const std::string& path, const std::string& profile);
// From the current user's profile.
FolderWay WayToPlace(const std::string& path);

// Makes the folders of the full path that are missing, through the way from
// its root (no link on the way followed or made behind); those it made are
// added to `made`, parents first. False when the path could not be had.
bool MakePlaceFolders(const std::string& path, std::vector<std::string>* made);

// Whether a run may write at a place a value of the user's names (the shell
// folders under HKEY_CURRENT_USER, which any program of the user changes):
// anywhere for a run without administrator rights, only below the user's
// profile (by whole names) for one with them.
bool MayWriteAtUsersPlace(const std::string& path, const std::string& profile, bool elevated);

// A file made anew at the path, through the way to its folder: invalid, with
// the system's error in the last error, when a folder on the way is missing
// or a link, or the name cannot be had.
UniqueFile CreateFreshInPlace(const std::string& path, DWORD access, DWORD share, DWORD attributes);

// Writes the bytes whole at the name in the held folder: under the name with
// ".NEW" added first (made anew), flushed, then renamed over what stands at
// the name (a link or a second name there is replaced, never written
// through), so that no half-written file is ever at the name. `writeTime`,
// when given, becomes the file's last-write time, and `attributes` its
// attributes (a read-only file stays one). False, with nothing left of the
// new file, when it cannot be done.
bool WriteWholeAt(const HeldFolder& folder, const std::string& name, std::string_view bytes,
                  const FILETIME* writeTime = nullptr, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
