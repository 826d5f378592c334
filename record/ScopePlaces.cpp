#include "record/ScopePlaces.h"

#include "framework/PathText.h"
#include "framework/UniqueHandle.h"

namespace {
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kUserFolderName = "Book Setup";

std::string UserLocalAppData() {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return {};
    UniqueRegistryKey owner(opened);
    char value[AnsiPathBufferSize] = {};
    DWORD size = sizeof value - 1, type = 0;
    if (RegQueryValueExA(opened, "Local AppData", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    value[size < sizeof value ? size : sizeof value - 1] = '\0';
    return value;
}
}  // namespace

HKEY ScopeHive(InstallScope scope) {
    return scope == InstallScope::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::string UninstallerFolder(InstallScope scope) {
    if (scope == InstallScope::CurrentUser) {
        std::string local = UserLocalAppData();
        return local.empty() ? std::string() : JoinPath(local, kUserFolderName);
    }
    char folder[AnsiPathBufferSize] = {};
    UINT length = GetWindowsDirectoryA(folder, AnsiPathBufferSize);
    return length > 0 && length < AnsiPathBufferSize ? std::string(folder, length) : std::string();
}
