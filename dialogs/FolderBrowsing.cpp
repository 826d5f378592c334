#include "dialogs/FolderBrowsing.h"

#include <windows.h>

#include <algorithm>
#include <numeric>

namespace {
std::string UpperAnsi(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool BytesLess(const std::string& a, const std::string& b) {
    // std::string compares char by char, and char is signed here: bytes from
    // 128 up must sort after the ASCII ones, as unsigned bytes do.
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}
}  // namespace

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

bool FolderNameLess(const std::string& a, const std::string& b) { return BytesLess(UpperAnsi(a), UpperAnsi(b)); }

void SortFolderNames(std::vector<std::string>& names) {
    std::vector<std::string> keys;
    keys.reserve(names.size());
    for (const std::string& name : names) keys.push_back(UpperAnsi(name));
    std::vector<size_t> order(names.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&keys](size_t x, size_t y) { return BytesLess(keys[x], keys[y]); });
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (size_t index : order) sorted.push_back(std::move(names[index]));
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

std::string FormBrowseResult(const std::string& selectedPath, const std::string& newDirName) {
    if (newDirName.empty()) return selectedPath;
    return JoinFolderPath(selectedPath, newDirName);
}
