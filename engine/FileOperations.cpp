#include "engine/FileOperations.h"

#include "framework/AnsiText.h"
#include "framework/CodePage.h"
#include "framework/PathText.h"

bool CreateDirectoryPath(const std::string& path, std::vector<std::string>* made) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return false;
    // The path is bounded by MAX_PATH: a longer one could never be created
    // whole, so none of its folders is made.
    if (PathLength(path) >= MAX_PATH) return false;

    std::string prefix;
    size_t index = 0;
    if (!path.empty() && path[0] == '\\') {
        prefix = "\\";
        index = 1;
    } else if (path.size() >= 2 && path[1] == ':') {
        bool rooted = path.size() >= 3 && path[2] == '\\';
        index = rooted ? 3 : 2;
        prefix = path.substr(0, index);
    }
    while (index < path.size()) {
        size_t end = FindChar(path, '\\', index);
        if (end == std::string::npos) end = path.size();
        prefix.append(path, index, end - index);
        if (CreateDirectoryA(prefix.c_str(), nullptr) && made) made->push_back(prefix);
        prefix += '\\';
        index = end + 1;
    }
    return true;
}

bool PathExists(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    return GetLastError() != ERROR_FILE_NOT_FOUND;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
// Through the wide call: the ANSI one fails a match whose name passes 260
// bytes in the program's code page (130 Cyrillic characters in UTF-8).
bool FindFirstMatch(const std::string& path, WIN32_FIND_DATAW& found) {
    HANDLE search = FindFirstFileW(WideText(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}
}  // namespace

uint32_t QueryFileSize(const std::string& path) {
    WIN32_FIND_DATAW found;
    return FindFirstMatch(path, found) ? found.nFileSizeLow : 0;
}

FILETIME QueryFileWriteTime(const std::string& path) {
    WIN32_FIND_DATAW found;
    return FindFirstMatch(path, found) ? found.ftLastWriteTime : FILETIME{};
}

bool InstalledPath(const std::string& destination, const std::string& name, bool useUnderscores, std::string& path) {
    path = destination + "\\" + (useUnderscores ? MakeLongFileName(name) : name);
    return PathLength(path) < MAX_PATH;
}

std::string MakeLongFileName(const std::string& name) {
    if (name.empty()) return name;
    std::string result = LowerAnsi(name);
    // Only a to z change case here, whatever the code page holds beyond them.
    auto upper = [](char& c) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    };
    upper(result[0]);
    for (size_t i = FindChar(result, '_'); i != std::string::npos; i = FindChar(result, '_', i + 1)) {
        result[i] = ' ';
        if (i + 1 < result.size()) upper(result[i + 1]);
    }
    return result;
}
