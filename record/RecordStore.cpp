#include "record/RecordStore.h"

#include <string>

#include "framework/PathText.h"
#include <vector>

namespace {
// Far beyond any book (a line is about 80 bytes): a larger value is not ours.
constexpr DWORD kMostRecordBytes = 32u * 1024 * 1024;

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

RegistryKey OpenUninstallEntry(const std::string& product, REGSAM access) {
    if (!IsEntryName(product)) return RegistryKey();
    HKEY uninstall = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, KEY_ENUMERATE_SUB_KEYS, &uninstall) != ERROR_SUCCESS)
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

std::optional<std::string> ReadRecordText(HKEY entry) { return ReadValue(entry, kRecordValueName, REG_BINARY); }

bool WriteRecordText(HKEY entry, const std::string& text) {
    return RegSetValueExA(entry, kRecordValueName, 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
}

bool DeleteUninstallEntry(const std::string& product) {
    if (!IsEntryName(product)) return false;
    HKEY uninstall = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, KEY_ENUMERATE_SUB_KEYS | KEY_SET_VALUE, &uninstall) !=
        ERROR_SUCCESS)
        return false;
    RegistryKey parent(uninstall);
    return RegDeleteKeyA(parent.Get(), product.c_str()) == ERROR_SUCCESS;
}
