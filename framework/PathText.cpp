#include "framework/PathText.h"

namespace {
bool IsLeadByte(char c, UINT codePage) {
    auto byte = static_cast<BYTE>(c);
    // Below 0x80 no code page the system knows has a lead byte.
    if (byte < 0x80) return false;
    return codePage == CP_ACP ? IsDBCSLeadByte(byte) != FALSE : IsDBCSLeadByteEx(codePage, byte) != FALSE;
}
}  // namespace

size_t NextCharIndex(std::string_view text, size_t index, UINT codePage) {
    if (index >= text.size()) return text.size();
    return IsLeadByte(text[index], codePage) && index + 1 < text.size() ? index + 2 : index + 1;
}

size_t PreviousCharIndex(std::string_view text, size_t index, UINT codePage) {
    // A trail byte can look like a lead byte, so a character's start is only
    // known from the text's start.
    size_t previous = 0;
    for (size_t i = 0; i < index && i < text.size(); i = NextCharIndex(text, i, codePage)) previous = i;
    return previous;
}

std::vector<size_t> CharStarts(std::string_view text, UINT codePage) {
    std::vector<size_t> starts;
    starts.reserve(text.size());
    for (size_t i = 0; i < text.size(); i = NextCharIndex(text, i, codePage)) starts.push_back(i);
    return starts;
}

size_t FindChar(std::string_view text, char c, size_t from, UINT codePage) {
    return FindFirstOf(text, std::string_view(&c, 1), from, codePage);
}

size_t FindFirstOf(std::string_view text, std::string_view chars, size_t from, UINT codePage) {
    for (size_t i = from; i < text.size(); i = NextCharIndex(text, i, codePage))
        if (chars.find(text[i]) != std::string_view::npos) return i;
    return std::string_view::npos;
}

size_t FindLastOf(std::string_view text, std::string_view chars, UINT codePage) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); i = NextCharIndex(text, i, codePage))
        if (chars.find(text[i]) != std::string_view::npos) found = i;
    return found;
}

size_t FindLastSeparator(std::string_view path, UINT codePage) { return FindLastOf(path, "\\/", codePage); }

size_t CountChar(std::string_view text, char c, UINT codePage) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); i = NextCharIndex(text, i, codePage))
        if (text[i] == c) ++count;
    return count;
}

bool StartsWithBackslash(std::string_view text, UINT codePage) {
    return text.substr(0, NextCharIndex(text, 0, codePage)) == "\\";
}

bool EndsWithBackslash(std::string_view path, UINT codePage) {
    return path.substr(PreviousCharIndex(path, path.size(), codePage)) == "\\";
}

std::string StripTrailingBackslashes(std::string_view path, size_t keep, UINT codePage) {
    // The end of the text up to its last character that is not a backslash.
    size_t end = 0;
    for (size_t i = 0; i < path.size(); i = NextCharIndex(path, i, codePage))
        if (path[i] != '\\' || i < keep) end = NextCharIndex(path, i, codePage);
    return std::string(path.substr(0, end));
}

std::string JoinPath(std::string_view folder, std::string_view name, UINT codePage) {
    std::string joined(folder);
    if (!EndsWithBackslash(folder, codePage)) joined += '\\';
    joined.append(name);
    return joined;
}

PathSplit SplitPath(std::string_view path, UINT codePage) {
    size_t separator = FindLastSeparator(path, codePage);
    size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
    return {std::string(path.substr(0, nameStart)), std::string(path.substr(nameStart))};
}

std::string NameWithoutExtension(std::string_view path, UINT codePage) {
    std::string name = SplitPath(path, codePage).name;
    size_t period = FindLastOf(name, ".", codePage);
    if (period != std::string::npos) name.erase(period);
    return name;
}
