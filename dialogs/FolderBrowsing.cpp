#include "dialogs/FolderBrowsing.h"

#include <windows.h>

#include <algorithm>

#include "framework/CodePage.h"
#include "framework/PathText.h"

std::string JoinFolderPath(const std::string& path, const std::string& name) { return JoinPath(path, name); }

std::string FolderSearchPattern(const std::string& path) { return JoinFolderPath(path, "*.*"); }

std::string ItemPathFromTexts(const std::vector<std::string>& textsUpToRoot) {
    if (textsUpToRoot.empty()) return {};
    std::string path = textsUpToRoot.front();
    for (size_t i = 1; i < textsUpToRoot.size(); ++i) path = JoinFolderPath(textsUpToRoot[i], path);
    return path;
}

bool FolderNameLess(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }

void SortFolderNames(std::vector<std::string>& names) {
    // Each name's sort key is made once (the same key lstrcmpiA compares
    // by), and keys compare byte by byte: a folder of 20,000 names would
    // otherwise cost some 300,000 comparisons by the locale's rules.
    std::vector<std::string> keys(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        // Through the wide call: the key of a name is that of its characters,
        // whatever the program's code page (the ANSI call takes UTF-8 bytes
        // one by one on some systems).
        const std::wstring wide = WideText(names[i]);
        int length = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, wide.c_str(), -1, nullptr, 0);
        if (length > 0) {
            // A sort key is bytes, counted in bytes, whichever call made it.
            keys[i].resize(static_cast<size_t>(length));
            length = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, wide.c_str(), -1,
                                  reinterpret_cast<LPWSTR>(keys[i].data()), length);
        }
        if (length <= 0) {
            // A name the system made no key for: compared pair by pair.
            std::stable_sort(names.begin(), names.end(), FolderNameLess);
            return;
        }
    }
    std::vector<size_t> order(names.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (size_t i : order) sorted.push_back(std::move(names[i]));
    names = std::move(sorted);
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

namespace {
// A character of the text, one or two bytes long, may stand in a new name.
bool IsAllowedCharacter(std::string_view character) {
    return character.size() == 1 && IsAllowedNewDirChar(character[0]);
}
}  // namespace

NewDirFilterResult FilterNewDirText(const std::string& text, int selectionStart, UINT codePage) {
    NewDirFilterResult result;
    result.text = text;
    // Putting the filtered text back leaves the caret at 0: that change is left alone.
    if (text.empty() || selectionStart <= 0 || static_cast<size_t>(selectionStart) > text.size()) return result;
    size_t index = PreviousCharIndex(text, static_cast<size_t>(selectionStart), codePage);
    size_t length = NextCharIndex(text, index, codePage) - index;
    if (IsAllowedCharacter(std::string_view(text).substr(index, length))) return result;
    result.removed = true;
    result.text.erase(index, length);
    if (index > 0) result.caret = static_cast<int>(index);
    return result;
}

std::string KeepAllowedNewDirChars(const std::string& text, UINT codePage) {
    std::string kept;
    for (size_t i = 0; i < text.size(); i = NextCharIndex(text, i, codePage)) {
        std::string_view character = std::string_view(text).substr(i, NextCharIndex(text, i, codePage) - i);
        if (IsAllowedCharacter(character)) kept += character;
    }
    return kept;
}

int NewDirNameLimit(const std::string& selectedPath, size_t maxChosenPath) {
    size_t used = PathLength(JoinFolderPath(selectedPath, ""));
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
