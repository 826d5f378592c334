#include "app/UninstallRegistration.h"

#include <windows.h>

#include <string>

#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "engine/FileOperations.h"

namespace {
void SetStringValue(HKEY key, const char* name, const std::string& value) {
    // Written in full with its terminating zero, however long.
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}
}  // namespace

void RegisterUninstaller() {
    if (!PathExists("XOVUNIN.EXE")) return;

    const InstallSettingsRecord& settings = InstallSettings;
    std::string uninstaller = settings.WindowsDir;
    if (uninstaller.empty() || uninstaller.back() != '\\') uninstaller += '\\';
    uninstaller += "XOVUNIN.EXE";
    CopyFileA("XOVUNIN.EXE", uninstaller.c_str(), FALSE);

    std::string keyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + settings.ProductName;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    // The uninstaller is the command; the back-quoted folder and the product name are its arguments.
    SetStringValue(key, "DisplayName", settings.ProductName);
    SetStringValue(key, "UninstallString",
                   uninstaller + " `" + settings.InstallPath + "` " + settings.ProductName);
    SetStringValue(key, "UninstallText", SetupTexts.UninstallText);
    SetStringValue(key, "UninstallProblemText", SetupTexts.UninstallProblemText);
    RegCloseKey(key);
}
