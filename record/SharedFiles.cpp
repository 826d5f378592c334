#include "record/SharedFiles.h"

#include "record/RecordStore.h"  // RegistryKey
#include "record/ScopePlaces.h"  // the counts' hive and key

namespace {
RegistryKey OpenSharedFiles(REGSAM access, bool create, HKEY hive, const char* path) {
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

std::optional<DWORD> SharedCount(const std::string& path, const ScopePlaces& places) {
    RegistryKey key = OpenSharedFiles(KEY_QUERY_VALUE, false, places.hive, places.countsKey.c_str());
    return key ? ReadCount(key.Get(), path) : std::nullopt;
}

std::optional<DWORD> MachineSharedCount(const std::string& path) {
    RegistryKey key = OpenSharedFiles(KEY_QUERY_VALUE, false, HKEY_LOCAL_MACHINE, kSharedFilesKeyPath);
    return key ? ReadCount(key.Get(), path) : std::nullopt;
}

bool TakeSharedReference(const std::string& path, bool someoneElsePutItThere, const ScopePlaces& places) {
    RegistryKey key =
        OpenSharedFiles(KEY_QUERY_VALUE | KEY_SET_VALUE, true, places.hive, places.countsKey.c_str());
    if (!key) return false;
    DWORD count = CountWithOneMore(ReadCount(key.Get(), path), someoneElsePutItThere);
    return RegSetValueExA(key.Get(), path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                          sizeof count) == ERROR_SUCCESS;
}

bool SetSharedCount(const std::string& path, DWORD count, const ScopePlaces& places) {
    RegistryKey key = OpenSharedFiles(KEY_SET_VALUE, count > 0, places.hive, places.countsKey.c_str());
    if (count == 0) {
        if (!key) return true;
        LONG result = RegDeleteValueA(key.Get(), path.c_str());
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return key && RegSetValueExA(key.Get(), path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                                 sizeof count) == ERROR_SUCCESS;
}
