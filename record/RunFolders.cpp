#include "record/RunFolders.h"

#include "framework/AnsiText.h"
#include "framework/PathText.h"

namespace {
bool Letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string Key(const std::string& path) { return UpperAnsi(StripTrailingBackslashes(path, 3)); }
}  // namespace

bool PlainFullPath(const std::string& path) {
    size_t start = 0;
    if (path.size() >= 3 && Letter(path[0]) && path[1] == ':' && path[2] == '\\') {
        start = 3;
    } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '?' && path[2] != '.') {
        start = 2;  // \\server\share\...
    } else {
        return false;
    }
    // ':' and '/' are never the second byte of a double-byte character;
    // '\\' may be, so the names are split where the code page says.
    for (size_t i = start; i < path.size(); ++i)
        if (path[i] == ':' || path[i] == '/' || static_cast<unsigned char>(path[i]) < 0x20) return false;
    for (size_t name = start;;) {
        size_t end = FindChar(path, '\\', name);
        std::string_view part(path.data() + name, (end == std::string::npos ? path.size() : end) - name);
        if (IsStepName(part)) return false;
        if (end == std::string::npos) break;
        if (part.empty()) return false;  // "\\" in the middle
        name = end + 1;
    }
    return true;
}

bool StartOnTheWay(const WayStart& start, const std::string& installFolder) {
    if (start.path.empty()) return true;
    if (!PlainFullPath(start.path) || !PlainFullPath(installFolder)) return false;
    const std::string install = Key(installFolder), from = Key(start.path);
    return from == install || IsBelowFolder(install, from);
}

bool InsideRunFolders(const JournalStep& step, const std::string& installFolder, const std::string& start) {
    if (!PlainFullPath(installFolder) || !PlainFullPath(step.path)) return false;
    const std::string install = Key(installFolder), path = Key(step.path);
    switch (step.kind) {
    case JournalStep::Kind::Folder:
        // Below it, itself, or one the run made on its way there: below
        // where that way starts.
        if (path == install || IsBelowFolder(path, install)) return true;
        return IsBelowFolder(install, path) && (start.empty() || Key(start) == path || IsBelowFolder(path, Key(start)));
    case JournalStep::Kind::Kept:
        if (!PlainFullPath(step.kept) || !IsBelowFolder(Key(step.kept), install)) return false;
        [[fallthrough]];
    case JournalStep::Kind::NewFile: return IsBelowFolder(path, install);
    }
    return false;
}
