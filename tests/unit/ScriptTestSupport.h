#pragma once
// Shared by the command script's tests: the script's messages collected
// instead of shown, and a few questions about real files.
#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
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

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The whole content of a file, or "<missing>".
inline std::string ReadBytes(const std::string& path) {
    return FileExists(path) ? ReadWholeFile(path) : "<missing>";
}

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
