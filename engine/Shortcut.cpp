#include "engine/Shortcut.h"

#include <objbase.h>
#include <shlobj.h>

#include <memory>
#include <optional>

#include "record/SetupRunRecord.h"
#include "settings/InstallSettings.h"
#include "framework/AnsiText.h"
#include "framework/Rights.h"
#include "framework/SystemFolders.h"
#include "framework/PlaceWay.h"

namespace {
// The link object's bytes as it saves them to a stream: what its save to a
// file writes, without the file (the shell link's file form is its stream form).
HRESULT SavedBytes(IShellLinkW* link, std::string& bytes) {
    IPersistStream* persist = nullptr;
    HRESULT result = link->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist));
    if (FAILED(result)) return result;
    IStream* stream = nullptr;
    result = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (SUCCEEDED(result)) result = persist->Save(stream, TRUE);
    HGLOBAL memory = nullptr;
    STATSTG facts = {};
    if (SUCCEEDED(result)) result = GetHGlobalFromStream(stream, &memory);
    if (SUCCEEDED(result)) result = stream->Stat(&facts, STATFLAG_NONAME);
    if (SUCCEEDED(result)) {
        // The stream's size, not the memory's, which may be rounded up.
        const void* start = GlobalLock(memory);
        if (start && facts.cbSize.HighPart == 0)
            bytes.assign(static_cast<const char*>(start), facts.cbSize.LowPart);
        else
            result = E_OUTOFMEMORY;
        if (start) GlobalUnlock(memory);
    }
    if (stream) stream->Release();
    persist->Release();
    return result;
}
}  // namespace

HRESULT ShellLinkBytes(const std::string& target, const std::string& description, std::string& bytes) {
    // Through the wide interface: the link holds the names as the file system
    // does, whichever code page the program and the reader's shell run in.
    IShellLinkW* link = nullptr;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, reinterpret_cast<void**>(&link));
    if (FAILED(result)) return result;
    link->SetPath(WideText(target).c_str());
    link->SetDescription(WideText(description).c_str());
    result = SavedBytes(link, bytes);
    link->Release();
    return result;
}

HRESULT CreateShortcut(const std::string& target, const std::string& linkPath, const std::string& description) {
    // The link's name must fit the system's path bound: a longer one is refused
    // rather than cut into a different name.
    std::optional<std::string> full = FullPath(linkPath);
    if (!full || WideText(*full).size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    std::string bytes;
    HRESULT result = ShellLinkBytes(target, description, bytes);
    if (FAILED(result)) return result;
    // The Desktop, the documents and the favourites are the user's to change
    // while setup runs elevated: the folder is reached through the door from
    // the profile's root (no link on the way), and a link or a second name of
    // a file elsewhere at the shortcut's name is replaced, never written through.
    FolderWay way = WayToPlace(*full);
    std::string name;
    std::shared_ptr<const HeldFolder> folder = way.ReachParent(*full, name);
    if (!folder) return HRESULT_FROM_WIN32(way.Stop() == DoorStop::Missing ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    if (WriteWholeAt(*folder, name, bytes)) return S_OK;
    const DWORD error = GetLastError();
    return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
}

void CreateInstallShortcut() {
    InstallSettingsRecord& settings = InstallSettings;
    std::string location = UpperAnsi(settings.ShortcutLocation);

    std::string folder;
    if (location == "DESKTOP")
        folder = settings.DesktopDir;
    else if (location == "MY DOCUMENTS")
        folder = settings.PersonalDir;
    else if (location == "FAVORITES")
        folder = settings.FavoritesDir;
    if (folder.empty()) return;

    // The folder comes from the user's shell folders, which any program of
    // the user changes: a run with rights writes the shortcut only below the
    // user's profile, never where such a value points elsewhere.
    std::string linkPath = folder + "\\" + settings.ShortcutName + ".Lnk";
    if (MayWriteAtUsersPlace(FullPath(folder).value_or(folder), UserProfileFolder(), HasAdministratorRights()) &&
        SUCCEEDED(CreateShortcut(settings.InstallPath, linkPath, "")))
        RecordShortcut(linkPath);

    // Recorded for the command script whether or not the link could be saved.
    const std::string& path = settings.InstallPath;
    settings.InstallDrive = path.substr(0, 2);
    settings.InstallDir = path.size() > 2 ? path.substr(2) : std::string();
}
