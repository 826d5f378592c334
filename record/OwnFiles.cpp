// Deleting through a handle came with Vista: its declarations are taken from
// there, and the call is looked up when the program runs.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "record/OwnFiles.h"

#include <functional>

#include "framework/CodePage.h"

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

bool IsLink(const std::string& path) {
    std::wstring wide = WideText(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    // The folder listing gives the tag of a reparse point in dwReserved0.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    FindClose(search);
    DWORD tag = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0;
    return ReparseKindOfTag(tag) == ReparseKind::Link;
}

bool ContentIsElsewhere(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess)) != 0;
}

bool DeleteThroughHandle(HANDLE handle, const std::string& path) {
    using SetInformationFn = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    static const auto setInformation = reinterpret_cast<SetInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    if (setInformation) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        return setInformation(handle, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
    }
    CloseHandle(handle);
    return DeleteFileW(WideText(path).c_str()) != FALSE;
}
