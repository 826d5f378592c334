#include "settings/ConfigReader.h"

#include <windows.h>

#include "framework/CodePage.h"
#include "framework/PathText.h"
#include "framework/PlaceWay.h"
#include "framework/Rights.h"
#include "framework/SystemFolders.h"
#include "framework/SafeFormat.h"
#include "settings/ProfileFile.h"

namespace {
const char kMissing[] = "Error";

// A directory of at most 259 characters (a longer one is no directory setup can use).
std::string ReadDirectory(UINT(WINAPI* read)(LPSTR, UINT)) {
    char buffer[AnsiPathBufferSize] = {};
    UINT length = read(buffer, AnsiPathBufferSize);
    if (length >= AnsiPathBufferSize) return {};
    std::string directory(buffer, length);
    return PathLength(directory) < MAX_PATH ? directory : std::string();
}

UINT WINAPI CurrentDirectory(LPSTR buffer, UINT size) { return GetCurrentDirectoryA(size, buffer); }

std::string ReadShellFolder(HKEY key, const char* name) {
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    // The value may come without its terminating zero: never read past what was stored.
    return std::string(buffer, strnlen(buffer, size < sizeof buffer ? size : sizeof buffer));
}
}  // namespace

std::string ReadProfileValue(const char* file, const char* section, const char* key) {
    return ProfileFile::Load(file, SystemCodePage()).Value(section, key).value_or(kMissing);
}

void ReadEnvironment(InstallSettingsRecord& settings) {
    settings.StartDir = ReadDirectory(&CurrentDirectory);
    settings.SystemDir = ReadDirectory(&GetSystemDirectoryA);
    settings.WindowsDir = ReadDirectory(&GetWindowsDirectoryA);

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return;
    settings.FavoritesDir = ReadShellFolder(key, "Favorites");
    settings.DesktopDir = ReadShellFolder(key, "Desktop");
    settings.PersonalDir = ReadShellFolder(key, "Personal");
    RegCloseKey(key);
    // Values any program of the user writes: a run with rights takes them
    // only where they name the user's own places (below the profile), so that
    // neither the shortcut nor a script's copy to %DESKTOP% goes elsewhere.
    const std::string profile = UserProfileFolder();
    const bool elevated = HasAdministratorRights();
    for (std::string* folder : {&settings.FavoritesDir, &settings.DesktopDir, &settings.PersonalDir})
        if (!folder->empty() && !MayWriteAtUsersPlace(*folder, profile, elevated)) folder->clear();
}

void ReadSetupIni(InstallSettingsRecord& settings, const MissingKeyWarning& warn) {
    ProfileFile file = ProfileFile::Load(".\\SETUP.INI", SystemCodePage());
    for (const SetupIniKey& key : SetupIniKeys) {
        std::string& value = settings.*key.field;
        value = file.Value("Setup", key.name).value_or(kMissing);
        if (value == kMissing)
            warn(StringPrintf("Warning: The %s key (or its text) is not set in SETUP.INI", key.name));
    }
    settings.DefaultDestDir = settings.DestDir;
    // Optional, never warned about: empty when missing.
    settings.Publisher = file.Value("Setup", "Publisher").value_or("");
    settings.Version = file.Value("Setup", "Version").value_or("");
}

void ReadSetupTxt(SetupTextsRecord& texts, const MissingKeyWarning& warn) {
    ProfileFile file = ProfileFile::Load(".\\SETUP.TXT", SystemCodePage());
    for (const SetupTextKey& key : SetupTextKeys) {
        std::string& value = texts.*key.field;
        value = file.Value("SetupText", key.name).value_or(kMissing);
        if (value == kMissing || value.empty())
            warn(StringPrintf("Warning: The %s key (or its text) is not set in SETUP.TXT", key.name));
    }
    // Optional, never warned about: empty when missing, for the English default.
    texts.RestoreProblemText = file.Value("SetupText", "RestoreProblemText").value_or(kMissing);
    if (texts.RestoreProblemText == kMissing) texts.RestoreProblemText.clear();
    const SetupTextsRecord english;
    bool ownQuestion = false;
    for (const OptionalTextKey& key : FileInUseTextKeys) {
        std::string value = file.Value("SetupText", key.name).value_or("");
        if (key.field == &SetupTextsRecord::FileInUseText) ownQuestion = !value.empty();
        texts.*key.field = value.empty() ? english.*key.field : std::move(value);
    }
    // The English question names the buttons as this book labels them.
    if (!ownQuestion) texts.FileInUseText = FileInUseDefaultText(texts.RetryButton, texts.CancelButton);
}
