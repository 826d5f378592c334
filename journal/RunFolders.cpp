#include "journal/RunFolders.h"

#include "framework/AnsiText.h"
#include "framework/PathText.h"

bool StartOnTheWay(const WayStart& start, const std::string& installFolder) {
    if (start.path.empty()) return true;
    if (!PlainFullPath(start.path) || !PlainFullPath(installFolder)) return false;
    const std::string install = PathKey(installFolder), from = PathKey(start.path);
    return IsAtOrBelowFolder(install, from);
}

bool InsideRunFolders(const JournalStep& step, const std::string& installFolder, const std::string& start) {
    if (!PlainFullPath(installFolder) || !PlainFullPath(step.path)) return false;
    const std::string install = PathKey(installFolder), path = PathKey(step.path);
    switch (step.kind) {
    case JournalStep::Kind::Folder:
        // Below it, itself, or one the run made on its way there: below
        // where that way starts.
        if (IsAtOrBelowFolder(path, install)) return true;
        return IsBelowFolder(install, path) && (start.empty() || IsAtOrBelowFolder(path, start));
    case JournalStep::Kind::Kept:
        if (!PlainFullPath(step.kept) || !IsBelowFolder(PathKey(step.kept), install)) return false;
        [[fallthrough]];
    case JournalStep::Kind::NewFile: return IsBelowFolder(path, install);
    }
    return false;
}
