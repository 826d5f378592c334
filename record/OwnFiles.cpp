#include "record/OwnFiles.h"

#include <winioctl.h>

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"

namespace {
// Not every header knows these: a file whose data, or the file itself, the
// system fetches from elsewhere when it is read or opened.
constexpr DWORD kRecallOnOpen = 0x00040000;
constexpr DWORD kRecallOnDataAccess = 0x00400000;
}  // namespace

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

