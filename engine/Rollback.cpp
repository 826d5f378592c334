#include "engine/Rollback.h"

#include <windows.h>

#include <set>

#include "engine/FilePlacement.h"
#include "framework/AnsiText.h"

bool RollBack(const CopyOutcome& outcome) {
    bool whole = true;
    std::set<std::string> replaced;
    for (const ReplacedFile& file : outcome.replacedFiles) replaced.insert(UpperAnsi(file.path));
    for (const std::string& path : outcome.writtenFiles) {
        if (replaced.count(UpperAnsi(path))) continue;
        if (!DeleteFileA(path.c_str())) {
            // A file the copy wrote stands alone at its name: the copy made
            // it normal, but the reader may have marked it meanwhile.
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) whole = false;
        }
    }
    for (const ReplacedFile& file : outcome.replacedFiles)
        if (!PutBack(file.keptOriginal, file.path)) whole = false;
    // Children were created after their parents.
    for (auto folder = outcome.createdFolders.rbegin(); folder != outcome.createdFolders.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    return whole;
}

void DiscardKeptOriginals(const CopyOutcome& outcome) {
    for (const ReplacedFile& file : outcome.replacedFiles) DiscardKept(file.keptOriginal);
}
