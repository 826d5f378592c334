#include "engine/Rollback.h"

#include <windows.h>

#include <set>

#include "engine/FilePlacement.h"
#include "framework/AnsiText.h"
#include "record/OwnFiles.h"

bool RollBack(const CopyOutcome& outcome) {
    bool whole = true;
    std::set<std::string> replaced;
    for (const ReplacedFile& file : outcome.replacedFiles) replaced.insert(UpperAnsi(file.path));
    for (const std::string& path : outcome.writtenFiles) {
        if (replaced.count(UpperAnsi(path))) continue;
        // The copy made it normal, but the reader may have marked it meanwhile.
        if (!DeleteOwnFile(path) && GetLastError() != ERROR_FILE_NOT_FOUND) whole = false;
    }
    for (const ReplacedFile& file : outcome.replacedFiles)
        if (!PutBack(file.keptOriginal, file.path)) whole = false;
    // Children were created after their parents.
    for (auto folder = outcome.createdFolders.rbegin(); folder != outcome.createdFolders.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    return whole;
}

void DiscardKeptOriginals(const CopyOutcome& outcome) {
    for (const ReplacedFile& file : outcome.replacedFiles) DeleteOwnFile(file.keptOriginal);
}
