#include "framework/FileInUse.h"

#include "framework/CodePage.h"

bool HeldByAnotherProgram(DWORD error, DWORD attributes) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES) return false;
    return !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

bool IsHeldNow(const std::string& path) {
    std::wstring wide = WideText(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    // A link is opened as itself, never followed to what it points at.
    HANDLE file = CreateFileW(wide.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return HeldByAnotherProgram(GetLastError(), attributes);
}
