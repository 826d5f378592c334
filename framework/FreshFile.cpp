#include "framework/FreshFile.h"

#include "framework/CodePage.h"

namespace {
bool RemoveName(const std::wstring& path, DWORD attributes) {
    // A link to a folder is removed as a folder, which takes the link away.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str()) != FALSE
                                                   : DeleteFileW(path.c_str()) != FALSE;
}
}  // namespace

bool ClearNameForWriting(const std::string& path) {
    const std::wstring wide = WideText(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveName(wide, attributes);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    UniqueFile file(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!file || !GetFileInformationByHandle(file.Get(), &information)) return true;
    const bool elsewhere = information.nNumberOfLinks > 1 || (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    file = UniqueFile();
    return !elsewhere || RemoveName(wide, attributes);
}

UniqueFile CreateFreshFile(const std::string& path, DWORD access, DWORD share, DWORD flagsAndAttributes) {
    const std::wstring wide = WideText(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(wide.c_str());
    else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveDirectoryW(wide.c_str());
    return UniqueFile(CreateFileW(wide.c_str(), access, share, nullptr, CREATE_NEW, flagsAndAttributes, nullptr));
}
