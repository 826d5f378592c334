#pragma once
// The two file operations that undo a run's changes, shared by setup and the
// uninstaller (which both repair a run cut short): a kept file moved back to
// its name, and a file of the run's own deleted. Window-free.
#include <string>

// Moves a kept file back to its name, over what the run put there. The file
// itself moves, so it comes back with its content, attributes and times.
bool PutBack(const std::string& kept, const std::string& destPath);

// Deletes a file of the run's own, a read-only one too (a kept original once
// the run has ended normally, a written file when it is undone).
bool DeleteOwnFile(const std::string& path);
