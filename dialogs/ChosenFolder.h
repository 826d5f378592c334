#pragma once
// Whether the folder chosen in the browser has to be asked about and created.
#include <string>
#include <vector>

// The longest chosen path that is checked and kept (the check's buffer holds 256 bytes).
constexpr size_t MaxChosenPath = 255;

// True when the chosen folder is not there: the system answers "file not
// found" (error 2) or, for a folder whose parent is missing too, "path not
// found" (error 3). Every other failure (drive not ready, access denied)
// counts as present, as PathExists has it.
bool ChosenFolderIsMissing(const std::string& path);

// Of the folders made in the destination dialog (parents first), those on
// the way to the chosen path: the chosen folder and its parents. Only they
// belong to the run; a folder made for a choice the reader then changed is
// theirs, and stays unrecorded (a folder on a stick picked first would
// otherwise tie the book's removal to that stick).
std::vector<std::string> FoldersOfChosenPath(const std::vector<std::string>& made, const std::string& chosenPath);
