#include "journal/RunFolders.h"

#include "framework/AnsiText.h"
#include "framework/PathText.h"

namespace {
std::string Key(const std::string& path) { return UpperAnsi(StripTrailingBackslashes(path, 3)); }
}  // namespace

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
