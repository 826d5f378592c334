#include "framework/PlaceWay.h"

#include <memory>
#include <optional>

#include "framework/AnsiText.h"
#include "framework/PathText.h"
#include "framework/SystemFolders.h"

std::string PlaceRoot(const std::string& path, const std::string& profile) {
    const std::string stripped = StripTrailingBackslashes(path, 3);
    if (!profile.empty()) {
        const std::string home = StripTrailingBackslashes(profile, 3);
        if (IsAtOrBelowFolder(stripped, home)) return home;
    }
    return DriveRoot(path);
}

FolderWay WayToPlace(const std::string& path, const std::string& profile) {
    std::optional<std::string> full = FullPath(path);
    const std::string root = full ? PlaceRoot(*full, profile) : std::string();
    if (root.empty()) return FolderWay();
    return FolderWay(HeldFolder::Root(root));
}

FolderWay WayToPlace(const std::string& path) { return WayToPlace(path, UserProfileFolder()); }

UniqueFile CreateFreshInPlace(const std::string& path, DWORD access, DWORD share, DWORD attributes) {
    std::optional<std::string> full = FullPath(path);
    if (!full) {
        SetLastError(ERROR_INVALID_NAME);
        return UniqueFile();
    }
    FolderWay way = WayToPlace(*full);
    std::string name;
    std::shared_ptr<const HeldFolder> folder = way.ReachParent(*full, name);
    if (!folder) {
        SetLastError(way.Stop() == DoorStop::Missing ? ERROR_PATH_NOT_FOUND
                     : way.Stop() == DoorStop::Link  ? ERROR_CANT_ACCESS_FILE
                                                     : ERROR_ACCESS_DENIED);
        return UniqueFile();
    }
    return folder->CreateFresh(name, access, share, attributes);
}

namespace {
bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = bytes.size() > (1u << 20) ? (1u << 20) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}
}  // namespace

bool WriteWholeAt(const HeldFolder& folder, const std::string& name, std::string_view bytes,
                  const FILETIME* writeTime, DWORD attributes) {
    const std::string fresh = name + ".NEW";
    UniqueFile file = folder.CreateFresh(fresh, GENERIC_WRITE, 0, attributes);
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.Get(), &info)) return false;
    const FileIdentity identity = IdentityOf(info);
    const bool written = WriteAll(file.Get(), bytes) &&
                         (!writeTime || SetFileTime(file.Get(), nullptr, nullptr, writeTime)) &&
                         FlushFileBuffers(file.Get());
    DWORD error = GetLastError();
    file = UniqueFile();
    // Opened again at its name (the folder may be the user's: anything may
    // stand there by now), and renamed or deleted only while it is the file
    // just made.
    HeldObject made = folder.Open(fresh);
    if (!made.Held() || made.Facts().link || made.Facts().IsFolder() || !(made.Facts().identity == identity))
        return false;
    if (written) {
        if (made.RenameTo(folder, name, true)) return true;
        error = GetLastError();
        made = folder.Open(fresh);
        if (!made.Held() || made.Facts().link || !(made.Facts().identity == identity)) return false;
    }
    made.Delete();
    SetLastError(error);
    return false;
}

bool MakePlaceFolders(const std::string& path, std::vector<std::string>* made) {
    std::optional<std::string> full = FullPath(path);
    if (!full) return false;
    FolderWay way = WayToPlace(*full);
    return way.Make(
               *full, [](const std::string&) { return true; },
               [made](const std::string& folder, const HeldFolder& held, bool wasMade) {
                   if (wasMade && held.Held() && made) made->push_back(folder);
               }) != nullptr;
}

bool MayWriteAtUsersPlace(const std::string& path, const std::string& profile, bool elevated) {
    return !elevated || (!profile.empty() && IsBelowFolder(path, profile));
}
