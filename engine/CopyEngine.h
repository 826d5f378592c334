#pragma once
// The copy engine: copies the tree of the current directory (the medium's
// CodeDir folder) into the destination on the worker thread, shows each file
// in the progress dialog, asks before replacing, expands compressed files and
// stops after the current entry when the user cancels.
#include <string>

// Copies every entry of the current directory into the destination directory
// (a trailing backslash, as of a drive root, is not doubled), depth first, moving the current
// directory through the source tree; on return the current directory is the
// one it was on entry.
void CopyTree(const std::string& destination);

// Whether the current directory's tree holds any file that CopyTree would
// install (folders starting with "." are not installed).
bool TreeHoldsFiles();
