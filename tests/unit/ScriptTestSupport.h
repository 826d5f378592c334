#pragma once
// Shared by the command script's tests: real folders and files under the
// build tree's test folder, and the script's messages collected instead of
// shown.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "script/ScriptMessages.h"

namespace script_test {

// Collects every message the script reports while it lives.
class CapturedScriptMessages {
public:
    CapturedScriptMessages() : m_previous(SetScriptMessageReporter(&Collect)) { Messages().clear(); }
    ~CapturedScriptMessages() { SetScriptMessageReporter(m_previous); }
    CapturedScriptMessages(const CapturedScriptMessages&) = delete;
    CapturedScriptMessages& operator=(const CapturedScriptMessages&) = delete;

    static std::vector<std::string>& Messages() {
        static std::vector<std::string> messages;
        return messages;
    }

private:
    static void Collect(const std::string& text) { Messages().push_back(text); }
    ScriptMessageReporter m_previous;
};

inline void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

// A new, empty folder TEST_WORK_DIR\name (what an earlier run left is removed).
inline std::string FreshFolder(const std::string& name) {
    std::string path = std::string(TEST_WORK_DIR) + "\\" + name;
    RemoveTree(path);
    CreateDirectoryA(TEST_WORK_DIR, nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The whole content of a file, or nothing when it cannot be opened.
inline std::optional<std::string> ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// How many entries match the pattern (a folder and a wildcard name).
inline int CountFiles(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

inline std::string CurrentDirectory() {
    char buffer[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

}  // namespace script_test
