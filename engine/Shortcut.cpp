#include "engine/Shortcut.h"

#include <objbase.h>
#include <shlobj.h>

#include "record/SetupRunRecord.h"
#include "settings/InstallSettings.h"
#include "framework/AnsiText.h"

HRESULT CreateShortcut(const std::string& target, const std::string& linkPath, const std::string& description) {
    IShellLinkA* link = nullptr;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link));
    if (FAILED(result)) return result;

    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(result)) {
        link->Release();
        return result;
    }
    link->SetPath(target.c_str());
    link->SetDescription(description.c_str());

    // The link's name must fit the system's path bound: a longer one is refused
    // rather than cut into a different name.
    WCHAR widePath[MAX_PATH];
    if (linkPath.size() < MAX_PATH &&
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH) > 0)
        result = file->Save(widePath, TRUE);
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
