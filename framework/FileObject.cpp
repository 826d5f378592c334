#include "framework/FileObject.h"

#include <winioctl.h>

#include <vector>

#include "framework/CodePage.h"

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

std::optional<uint64_t> FileIndexOf(HANDLE handle) {
    // The system's own query, in the module every process has (no import added).
    using QueryCall = LONG(WINAPI*)(HANDLE, void* io, void* information, ULONG bytes, int kind);
    static const QueryCall query = reinterpret_cast<QueryCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    constexpr int kInternalInformation = 6;  // the file's index on its volume, as the driver headers number it
    if (!query) return std::nullopt;
    ULONG_PTR io[2] = {};
    LARGE_INTEGER index = {};
    if (query(handle, io, &index, sizeof index, kInternalInformation) < 0) return std::nullopt;
    return static_cast<uint64_t>(index.QuadPart);
}

ReparseKind ReparseKindOfTag(DWORD tag) {
    switch (tag) {
    case 0:
    case IO_REPARSE_TAG_SYMLINK:
    case IO_REPARSE_TAG_MOUNT_POINT: return ReparseKind::Link;
    default: return ReparseKind::Ordinary;
    }
}

DWORD ReparseTagOf(HANDLE handle) {
    // Every reparse point's data begins with its tag.
    std::vector<BYTE> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD got = 0;
    if (!DeviceIoControl(handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), static_cast<DWORD>(data.size()),
                         &got, nullptr) ||
        got < sizeof(DWORD))
        return 0;
    return *reinterpret_cast<const DWORD*>(data.data());
}

bool IsLink(const std::string& path) {
    std::wstring wide = WideText(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    // The reparse point itself, asked for its tag.
    HANDLE opened = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened != INVALID_HANDLE_VALUE) {
        DWORD tag = ReparseTagOf(opened);
        CloseHandle(opened);
        if (tag != 0) return ReparseKindOfTag(tag) == ReparseKind::Link;
    }
    // The folder listing gives the tag of a reparse point in dwReserved0.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    FindClose(search);
    DWORD tag = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0;
    return ReparseKindOfTag(tag) == ReparseKind::Link;
}
