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

std::string NameAsStored(const std::string& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return path;
    FindClose(search);
    PathSplit parts = SplitPath(path);
    std::string name = NarrowText(found.cFileName);
    return UpperAnsi(name) == UpperAnsi(path.substr(parts.folder.size())) ? parts.folder + name : path;
}

bool ContentIsElsewhere(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess)) != 0;
}

