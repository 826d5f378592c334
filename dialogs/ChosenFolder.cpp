#include "dialogs/ChosenFolder.h"

#include <windows.h>

#include "engine/FileOperations.h"
#include "framework/PathText.h"
#include "record/InstallRecord.h"  // SamePath

bool ChosenFolderIsMissing(const std::string& path) {
    if (!PathExists(path)) return true;
    // PathExists counts a missing parent as present; the user who typed a
    // new folder two levels deep must still be asked, and Yes creates both.
    SetLastError(ERROR_SUCCESS);
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    return GetLastError() == ERROR_PATH_NOT_FOUND;
}

std::vector<std::string> FoldersOfChosenPath(const std::vector<std::string>& made, const std::string& chosenPath) {
    std::string chosen = StripTrailingBackslashes(chosenPath, 3);
    std::vector<std::string> onTheWay;
    for (const std::string& folder : made) {
        std::string parent = JoinPath(folder, "");
        bool onPath = SamePath(folder, chosen) ||
                      (chosen.size() > parent.size() && SamePath(chosen.substr(0, parent.size()), parent));
        if (onPath) onTheWay.push_back(folder);
    }
    return onTheWay;
}
