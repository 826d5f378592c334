#include "app/UninstallRegistration.h"

#include <windows.h>

#include <string>

#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "app/UninstallerVersion.h"
#include "engine/FileOperations.h"
#include "framework/PathText.h"
#include "record/SetupRunRecord.h"

namespace {
void SetStringValue(HKEY key, const char* name, const std::string& value) {
    // Written in full with its terminating zero, however long.
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}
}  // namespace

bool RegisterUninstaller() {
    if (!PathExists("XOVUNIN.EXE")) return false;

    const InstallSettingsRecord& settings = InstallSettings;
    // The product's name is the name of one key below Uninstall: without a
    // name the values would land in the Uninstall key itself, and a backslash
    // would make a key of the name's first part.
    const std::string& name = settings.ProductName;
    if (name.empty() || FindChar(name, '\\') != std::string::npos) return false;
    std::string uninstaller = JoinPath(settings.WindowsDir, "XOVUNIN.EXE");
    // Every book's entry starts the one copy there: a newer one stays.
    bool thereBefore = GetFileAttributesA(uninstaller.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!thereBefore || ReplacesUninstaller(ProgramVersion("XOVUNIN.EXE"), ProgramVersion(uninstaller)))
        CopyFileA("XOVUNIN.EXE", uninstaller.c_str(), FALSE);

    HKEY uninstallKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, nullptr, 0,
                        KEY_CREATE_SUB_KEY, nullptr, &uninstallKey, nullptr) != ERROR_SUCCESS)
        return false;
    // Created by name below the open parent: the ANSI call refuses a whole
    // path past 260 characters, and a registry name may have 255.
    HKEY key = nullptr;
    LONG created =
        RegCreateKeyExA(uninstallKey, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(uninstallKey);
    if (created != ERROR_SUCCESS) return false;
    // The uninstaller is the command; the back-quoted folder and the product name are its arguments.
    SetStringValue(key, "DisplayName", settings.ProductName);
    const std::string arguments = "`" + settings.InstallPath + "` " + settings.ProductName;
    SetStringValue(key, "UninstallString", uninstaller + " " + arguments);
    // What the system's package tools run to remove the book without a
    // question: /S before the folder, as the product name runs to the end.
    SetStringValue(key, "QuietUninstallString", uninstaller + " /S " + arguments);
    SetStringValue(key, "UninstallText", SetupTexts.UninstallText);
    SetStringValue(key, "UninstallProblemText", SetupTexts.UninstallProblemText);
    RegCloseKey(key);
    if (GetFileAttributesA(uninstaller.c_str()) != INVALID_FILE_ATTRIBUTES)
        RecordUninstaller(settings.ProductName, uninstaller, thereBefore);
    SaveInstallRecord(settings.ProductName, settings.InstallPath);
    return true;
}
