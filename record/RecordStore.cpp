#include "record/RecordStore.h"

#include <string>

#include <vector>

#include "framework/PathText.h"
#include "record/InstallRecord.h"  // SamePath
#include "record/RecordFile.h"

namespace {
// Far beyond any book (a line is about 80 bytes): a larger value is not ours.
constexpr DWORD kMostRecordBytes = 32u * 1024 * 1024;

bool SetString(HKEY entry, const char* name, const std::string& value) {
    return RegSetValueExA(entry, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool IsEntryName(const std::string& product) { return !product.empty() && FindChar(product, '\\') == std::string::npos; }

std::optional<std::string> ReadValue(HKEY entry, const char* name, DWORD wantedType) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(entry, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType ||
        size > kMostRecordBytes)
        return std::nullopt;
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(entry, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
        type != wantedType || size > kMostRecordBytes)
        return std::nullopt;
    return std::string(data.data(), size);
}
}  // namespace

RegistryKey OpenUninstallEntry(const std::string& product, REGSAM access, const ScopePlaces& places) {
    if (!IsEntryName(product)) return RegistryKey();
    HKEY uninstall = nullptr;
    if (RegOpenKeyExA(places.hive, kUninstallKeyPath, 0, KEY_ENUMERATE_SUB_KEYS, &uninstall) != ERROR_SUCCESS)
        return RegistryKey();
    RegistryKey parent(uninstall);
    HKEY entry = nullptr;
    if (RegOpenKeyExA(parent.Get(), product.c_str(), 0, access, &entry) != ERROR_SUCCESS) return RegistryKey();
    return RegistryKey(entry);
}

std::optional<std::string> ReadEntryString(HKEY entry, const char* name) {
    std::optional<std::string> value = ReadValue(entry, name, REG_SZ);
    // Stored with its terminating zero; the text ends at the first one.
    if (value) value->resize(std::char_traits<char>::length(value->c_str()));
    return value;
}

std::optional<std::string> ReadRecordText(HKEY entry) {
    std::optional<std::string> file = ReadEntryString(entry, kRecordFileValueName);
    if (!file) return ReadValue(entry, kRecordValueName, REG_BINARY);
    // Named with its hash: a file that is not exactly what was stored is no
    // record. The hash in the file's name counts, as it changes with the name
    // in one step; the hash value is only the earlier setups' way.
    std::optional<ContentHash> hash = HashInRecordFileName(*file);
    if (!hash) {
        std::optional<std::string> hashText = ReadEntryString(entry, kRecordHashValueName);
        hash = hashText ? ParseHashText(*hashText) : std::nullopt;
    }
    return hash ? ReadRecordFile(*file, *hash) : std::nullopt;
}

std::string RecordFileOf(const std::string& product, const ScopePlaces& places) {
    return RecordFilePath(places.uninstallerFolder, product);
}

bool WriteRecordText(HKEY entry, const std::string& text, const std::string& largeRecordFile) {
    std::optional<std::string> oldFile = ReadEntryString(entry, kRecordFileValueName);
    // Where setup keeps record files: whatever else the entry names is not deleted.
    const std::string recordFolder = StripTrailingBackslashes(SplitPath(largeRecordFile).folder, 3);
    if (text.size() <= kMostRecordBytesInEntry) {
        if (RegSetValueExA(entry, kRecordValueName, 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                           static_cast<DWORD>(text.size())) != ERROR_SUCCESS)
            return false;
        RegDeleteValueA(entry, kRecordFileValueName);
        RegDeleteValueA(entry, kRecordHashValueName);
        if (oldFile) DeleteRecordFile(*oldFile, recordFolder);
        return true;
    }
    // The new file under a name of its own first, then the entry's one value
    // naming it (and with it its hash), then the old file goes: a run cut
    // between any two steps leaves an entry naming a file that matches it.
    ContentHash hash = HashBytes(text.data(), text.size());
    std::string file = RecordFileWithHash(largeRecordFile, hash);
    bool sameFile = oldFile && SamePath(*oldFile, file);
    if (!WriteRecordFile(file, text)) return false;
    if (!SetString(entry, kRecordFileValueName, file)) {
        if (!sameFile) DeleteRecordFile(file, recordFolder);
        return false;
    }
    // For an uninstaller of an earlier setup still in place, which reads the hash from its own value.
    SetString(entry, kRecordHashValueName, HashText(hash));
    RegDeleteValueA(entry, kRecordValueName);
    // The same record written again is at the same name: that file stays.
    if (oldFile && !sameFile) DeleteRecordFile(*oldFile, recordFolder);
    return true;
}

bool DeleteUninstallEntry(const std::string& product, const ScopePlaces& places) {
    if (!IsEntryName(product)) return false;
    HKEY uninstall = nullptr;
    if (RegOpenKeyExA(places.hive, kUninstallKeyPath, 0, KEY_ENUMERATE_SUB_KEYS | KEY_SET_VALUE, &uninstall) !=
        ERROR_SUCCESS)
        return false;
    RegistryKey parent(uninstall);
    std::optional<std::string> file;
    HKEY entry = nullptr;
    if (RegOpenKeyExA(parent.Get(), product.c_str(), 0, KEY_QUERY_VALUE, &entry) == ERROR_SUCCESS) {
        file = ReadEntryString(entry, kRecordFileValueName);
        RegCloseKey(entry);
    }
    if (RegDeleteKeyA(parent.Get(), product.c_str()) != ERROR_SUCCESS) return false;
    // The record's file goes with the entry that named it, when it is one of setup's.
    if (file) DeleteRecordFile(*file, places.uninstallerFolder);
    return true;
}
