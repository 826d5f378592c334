#include "framework/PathText.h"

#include "framework/CodePage.h"

namespace {
bool IsLeadByte(BYTE byte, UINT codePage) {
    return codePage == CP_ACP ? IsDBCSLeadByte(byte) != FALSE : IsDBCSLeadByteEx(codePage, byte) != FALSE;
}

// The length of the UTF-8 sequence that starts at `index`: 2 to 4 bytes when
// the lead byte and every continuation byte are as UTF-8 writes them, else 1
// (a stray byte is a character of its own, as a lone lead byte is).
size_t Utf8SequenceLength(std::string_view text, size_t index) {
    auto byte = static_cast<BYTE>(text[index]);
    size_t length = byte >= 0xC2 && byte <= 0xDF ? 2 : byte >= 0xE0 && byte <= 0xEF ? 3 : byte >= 0xF0 && byte <= 0xF4 ? 4 : 1;
    if (index + length > text.size()) return 1;
    for (size_t i = 1; i < length; ++i)
        if ((static_cast<BYTE>(text[index + i]) & 0xC0) != 0x80) return 1;
    return length;
}
}  // namespace

size_t NextCharIndex(std::string_view text, size_t index, UINT codePage) {
    if (index >= text.size()) return text.size();
    auto byte = static_cast<BYTE>(text[index]);
    // Below 0x80 no code page the system knows has a lead byte.
    if (byte < 0x80) return index + 1;
    // The system's lead-byte rules know double bytes only: on UTF-8 they
    // would step a byte at a time.
    if (codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8))
        return index + Utf8SequenceLength(text, index);
    return IsLeadByte(byte, codePage) && index + 1 < text.size() ? index + 2 : index + 1;
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

bool IsStepName(std::string_view name) {
    return !name.empty() && name.find_first_not_of(". ") == std::string_view::npos;
}

bool IsBelowFolder(std::string_view path, std::string_view folder, UINT codePage) {
    if (folder.empty()) return false;
    const std::string prefix = JoinPath(folder, "", codePage);
    if (path.size() <= prefix.size()) return false;
    // Compared as whole characters: a cut inside one of the path's characters
    // makes another text, which is no match.
    std::wstring head = WideText(path.substr(0, prefix.size()), codePage), wanted = WideText(prefix, codePage);
    if (head.empty() || head.size() != wanted.size()) return false;
    CharUpperBuffW(head.data(), static_cast<DWORD>(head.size()));
    CharUpperBuffW(wanted.data(), static_cast<DWORD>(wanted.size()));
    return head == wanted;
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

size_t PathLength(std::string_view path, UINT codePage) {
    for (char c : path)
        if (static_cast<BYTE>(c) >= 0x80) return WideLength(path, codePage);
    return path.size();
}

bool PlainFullPath(std::string_view path) {
    size_t start = 0;
    const bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (path.size() >= 3 && letter && path[1] == ':' && path[2] == '\\') {
        start = 3;
    } else if (path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '?' && path[2] != '.') {
        start = 2;  // \\server\share\...
    } else {
        return false;
    }
    // ':' and '/' are never the second byte of a double-byte character;
    // '\\' may be, so the names are split where the code page says.
    for (size_t i = start; i < path.size(); ++i)
        if (path[i] == ':' || path[i] == '/' || static_cast<unsigned char>(path[i]) < 0x20) return false;
    for (size_t name = start;;) {
        size_t end = FindChar(path, '\\', name);
        std::string_view part(path.data() + name, (end == std::string::npos ? path.size() : end) - name);
        if (IsStepName(part)) return false;
        if (end == std::string::npos) break;
        if (part.empty()) return false;  // "\\" in the middle
        name = end + 1;
    }
    return true;
}

std::string DriveRoot(std::string_view path) {
    const std::string text(path);
    if (text.size() >= 3 && text[1] == ':' && text[2] == '\\' && ((text[0] | 0x20) >= 'a' && (text[0] | 0x20) <= 'z'))
        return text.substr(0, 3);
    // "\\server\share\": neither a "\\?\" nor a "\\.\" form, which name no share.
    if (text.size() < 5 || text[0] != '\\' || text[1] != '\\' || text[2] == '?' || text[2] == '.') return {};
    const size_t server = FindChar(text, '\\', 2);
    if (server == std::string::npos || server == 2) return {};
    const size_t share = FindChar(text, '\\', server + 1);
    if (share == server + 1) return {};
    return share == std::string::npos ? text + "\\" : text.substr(0, share + 1);
}
