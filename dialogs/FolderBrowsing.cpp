#include "dialogs/FolderBrowsing.h"

#include <windows.h>

#include <algorithm>


std::string JoinFolderPath(const std::string& path, const std::string& name) {
    std::string joined = path;
    if (joined.empty() || joined.back() != '\\') joined += '\\';
    return joined + name;
}

std::string FolderSearchPattern(const std::string& path) { return JoinFolderPath(path, "*.*"); }

std::string ItemPathFromTexts(const std::vector<std::string>& textsUpToRoot) {
    if (textsUpToRoot.empty()) return {};
    std::string path = textsUpToRoot.front();
    for (size_t i = 1; i < textsUpToRoot.size(); ++i) path = JoinFolderPath(textsUpToRoot[i], path);
    return path;
}

bool FolderNameLess(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }

void SortFolderNames(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(), FolderNameLess);
}

bool IsAllowedNewDirChar(char c) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 128) return false;
    char upper[2] = {c, '\0'};
    CharUpperBuffA(upper, 1);
    char u = upper[0];
    if (u >= 'A' && u <= 'Z') return true;
    if (u >= '0' && u <= '9') return true;
    switch (u) {
    case '#': case '$': case '%': case '&': case '\'': case '(': case ')': case ' ':
        return true;
    default:
        return false;
    }
}

NewDirFilterResult FilterNewDirText(const std::string& text, int selectionStart) {
    NewDirFilterResult result;
    result.text = text;
    // Putting the filtered text back leaves the caret at 0: that change is left alone.
    if (text.empty() || selectionStart <= 0 || static_cast<size_t>(selectionStart) > text.size()) return result;
    size_t index = static_cast<size_t>(selectionStart) - 1;
    if (IsAllowedNewDirChar(text[index])) return result;
    result.removed = true;
    result.text.erase(index, 1);
    if (selectionStart > 1) result.caret = selectionStart - 1;
    return result;
}

std::string KeepAllowedNewDirChars(const std::string& text) {
    std::string kept;
    for (char c : text)
        if (IsAllowedNewDirChar(c)) kept += c;
    return kept;
}

int NewDirNameLimit(const std::string& selectedPath, size_t maxChosenPath) {
    size_t used = JoinFolderPath(selectedPath, "").size();
    // The box takes at least one character: a limit of 0 would lift its limit altogether.
    return used + 1 >= maxChosenPath ? 1 : static_cast<int>(maxChosenPath - used);
}

std::string FormBrowseResult(const std::string& selectedPath, const std::string& newDirName) {
    // Text pasted into the box is only filtered at its last character while
    // it is typed: the whole name passes the rule here.
    std::string name = KeepAllowedNewDirChars(newDirName);
    if (name.empty()) return selectedPath;
    return JoinFolderPath(selectedPath, name);
}
