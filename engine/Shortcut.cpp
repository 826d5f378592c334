#include "engine/Shortcut.h"

#include <objbase.h>
#include <shlobj.h>

#include "record/SetupRunRecord.h"
#include "settings/InstallSettings.h"
#include "framework/AnsiText.h"
#include "framework/FreshFile.h"

HRESULT CreateShortcut(const std::string& target, const std::string& linkPath, const std::string& description) {
    // Through the wide interface: the link holds the names as the file system
    // does, whichever code page the program and the reader's shell run in.
    IShellLinkW* link = nullptr;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, reinterpret_cast<void**>(&link));
    if (FAILED(result)) return result;

    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(result)) {
        link->Release();
        return result;
    }
    link->SetPath(WideText(target).c_str());
    link->SetDescription(WideText(description).c_str());

    // The link's name must fit the system's path bound: a longer one is refused
    // rather than cut into a different name.
    std::wstring widePath = WideText(linkPath);
    // The Desktop is the user's to change while setup runs elevated: a link
    // (or a second name of a file elsewhere) at the shortcut's name is taken
    // away, never written through.
    if (!widePath.empty() && widePath.size() < MAX_PATH && !ClearNameForWriting(linkPath))
        result = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    else if (!widePath.empty() && widePath.size() < MAX_PATH)
        result = file->Save(widePath.c_str(), TRUE);
    else
        result = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

    file->Release();
    link->Release();
    return result;
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

    std::string linkPath = folder + "\\" + settings.ShortcutName + ".Lnk";
    if (SUCCEEDED(CreateShortcut(settings.InstallPath, linkPath, ""))) RecordShortcut(linkPath);

    // Recorded for the command script whether or not the link could be saved.
    const std::string& path = settings.InstallPath;
    settings.InstallDrive = path.substr(0, 2);
    settings.InstallDir = path.size() > 2 ? path.substr(2) : std::string();
}
