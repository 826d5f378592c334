#pragma once
// The folder browser's rules that need no window: the order of folder names,
// how tree texts join into a path, the New Directory character filter and the
// resulting path.
#include <windows.h>

#include <string>
#include <vector>

// A folder path joined with one more level: "\" between them unless the path
// already ends in one.
std::string JoinFolderPath(const std::string& path, const std::string& name);

// The directory search pattern for everything in a folder ("C:\" gives "C:\*.*").
std::string FolderSearchPattern(const std::string& path);

// The path of a tree item from its text and its ancestors' texts, nearest
// first: {"SYSTEM", "WINDOWS", "C:\"} gives "C:\WINDOWS\SYSTEM".
std::string ItemPathFromTexts(const std::vector<std::string>& textsUpToRoot);

// True when `a` comes before `b` in the tree control's own sorted order:
// lstrcmpiA, case-insensitive and by the user's locale, so "_", "-", "~", "'"
// and accented letters stand where an inserted-and-sorted item would.
bool FolderNameLess(const std::string& a, const std::string& b);

// Puts folder names in ascending FolderNameLess order; names that compare
// equal keep the order the listing gave them.
void SortFolderNames(std::vector<std::string>& names);

// Whether a character may be typed into a new folder's name: letters (tested
// in upper case), digits, # $ % & ' ( ) and the space.
bool IsAllowedNewDirChar(char c);

// What the New Directory filter does with the box's text when the caret (the
// selection start, in bytes) stands at `selectionStart`. Only the character
// just before the caret is examined, and a refused one goes whole: a
// double-byte character (from 128 up, so always refused) leaves no half behind.
struct NewDirFilterResult {
    bool removed = false;  // the character was refused and taken out of `text`
    std::string text;      // the text to put back into the box
    int caret = -1;        // where to put the caret afterwards; -1: leave it where the box puts it
};
NewDirFilterResult FilterNewDirText(const std::string& text, int selectionStart, UINT codePage = CP_ACP);

// The text with every character that IsAllowedNewDirChar refuses taken out
// (a double-byte character whole).
std::string KeepAllowedNewDirChars(const std::string& text, UINT codePage = CP_ACP);

// How many characters the New Directory box may hold so that the selected
// folder plus the new name stays within `maxChosenPath`; at least 1.
int NewDirNameLimit(const std::string& selectedPath, size_t maxChosenPath);

// The browser's result: the selected folder, or with a new folder name (only
// its allowed characters) the selected folder plus that name as one more level.
std::string FormBrowseResult(const std::string& selectedPath, const std::string& newDirName);
