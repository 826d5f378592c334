#pragma once
// Whether the folder chosen in the browser has to be asked about and created.
#include <string>

// The longest chosen path that is checked and kept (the check's buffer holds 256 bytes).
constexpr size_t MaxChosenPath = 255;

// True when the chosen folder is not there: the system answers "file not
// found" (error 2) or, for a folder whose parent is missing too, "path not
// found" (error 3). Every other failure (drive not ready, access denied)
// counts as present, as PathExists has it.
bool ChosenFolderIsMissing(const std::string& path);
