#include "record/SharedFiles.h"

#include "record/RecordStore.h"  // RegistryKey
#include "record/ScopePlaces.h"

namespace {
RegistryKey OpenSharedFiles(REGSAM access, bool create, InstallScope scope) {
    HKEY hive = ScopeHive(scope);
    const char* path = scope == InstallScope::CurrentUser ? kUserSharedFilesKeyPath : kSharedFilesKeyPath;
    HKEY key = nullptr;
    LONG result = create ? RegCreateKeyExA(hive, path, 0, nullptr, 0, access, nullptr, &key, nullptr)
                         : RegOpenKeyExA(hive, path, 0, access, &key);
    return result == ERROR_SUCCESS ? RegistryKey(key) : RegistryKey();
}

std::optional<DWORD> ReadCount(HKEY key, const std::string& path) {
    DWORD type = 0, count = 0, size = sizeof count;
    if (RegQueryValueExA(key, path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof count)
        return std::nullopt;
    return count;
}
}  // namespace

DWORD CountWithOneMore(std::optional<DWORD> current, bool someoneElsePutItThere) {
    if (current && *current > 0) return *current == MAXDWORD ? *current : *current + 1;
    return someoneElsePutItThere ? 2 : 1;
}

std::optional<DWORD> SharedCount(const std::string& path, InstallScope scope) {
    RegistryKey key = OpenSharedFiles(KEY_QUERY_VALUE, false, scope);
    return key ? ReadCount(key.Get(), path) : std::nullopt;
}

bool TakeSharedReference(const std::string& path, bool someoneElsePutItThere, InstallScope scope) {
    RegistryKey key = OpenSharedFiles(KEY_QUERY_VALUE | KEY_SET_VALUE, true, scope);
    if (!key) return false;
    DWORD count = CountWithOneMore(ReadCount(key.Get(), path), someoneElsePutItThere);
    return RegSetValueExA(key.Get(), path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                          sizeof count) == ERROR_SUCCESS;
}

bool SetSharedCount(const std::string& path, DWORD count, InstallScope scope) {
    RegistryKey key = OpenSharedFiles(KEY_SET_VALUE, count > 0, scope);
    if (count == 0) {
        if (!key) return true;
        LONG result = RegDeleteValueA(key.Get(), path.c_str());
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return key && RegSetValueExA(key.Get(), path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                                 sizeof count) == ERROR_SUCCESS;
}
