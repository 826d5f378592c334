#include "dialogs/ChosenFolder.h"

#include <windows.h>

#include "engine/FileOperations.h"

bool ChosenFolderIsMissing(const std::string& path) {
    if (!PathExists(path)) return true;
    // PathExists counts a missing parent as present; the user who typed a
    // new folder two levels deep must still be asked, and Yes creates both.
    SetLastError(ERROR_SUCCESS);
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    return GetLastError() == ERROR_PATH_NOT_FOUND;
}
