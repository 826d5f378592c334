#include "record/OwnFiles.h"

#include <winioctl.h>

#include <functional>
#include <vector>

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"

namespace {
// The system moves over and deletes no read-only file: the mark of a file of
// ours is cleared, then the operation tried once more.
bool WithoutReadOnlyMark(const std::string& path, const std::function<bool()>& attempt) {
    if (attempt()) return true;
    DWORD error = GetLastError();
    if (error != ERROR_ACCESS_DENIED) return false;
    std::wstring wide = WideText(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) || !SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        SetLastError(error);
        return false;
    }
    return attempt();
}

// Not every header knows these: a file whose data, or the file itself, the
// system fetches from elsewhere when it is read or opened.
constexpr DWORD kRecallOnOpen = 0x00040000;
constexpr DWORD kRecallOnDataAccess = 0x00400000;
}  // namespace

bool DeleteOwnFile(const std::string& path) {
    return WithoutReadOnlyMark(path, [&path] { return DeleteFileW(WideText(path).c_str()) != FALSE; });
}

bool MoveOverOwnFile(const std::string& from, const std::string& to) {
    return WithoutReadOnlyMark(
        to, [&] { return MoveFileExW(WideText(from).c_str(), WideText(to).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; });
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

std::string NameAsStored(const std::string& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return path;
    FindClose(search);
    PathSplit parts = SplitPath(path);
    std::string name = NarrowText(found.cFileName);
    return UpperAnsi(name) == UpperAnsi(path.substr(parts.folder.size())) ? parts.folder + name : path;
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

bool ContentIsElsewhere(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess)) != 0;
}

