#include "script/ScriptFile.h"

bool ReadScriptBytes(HANDLE file, std::string& bytes) {
    bytes.assign(ScriptReadLimit, '\0');
    size_t total = 0;
    // ReadFile may hand over less than asked (a pipe, a network file); only
    // a read of nothing means the end of the file.
    while (total < ScriptReadLimit) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + total, static_cast<DWORD>(ScriptReadLimit - total), &got, nullptr)) {
            bytes.clear();
            return false;
        }
        if (got == 0) break;
        total += got;
    }
    bytes.resize(total);
    return true;
}

std::vector<std::string> SplitScriptText(const std::string& bytes, std::vector<ScriptLineSpan>* spans) {
    std::vector<std::string> lines;
    size_t end = bytes.find('\0');
    if (end == std::string::npos) end = bytes.size();

    size_t position = 0;
    while (position < end) {
        size_t lineEnd = bytes.find('\r', position);
        if (lineEnd == std::string::npos || lineEnd > end) lineEnd = end;
        size_t length = lineEnd - position;
        if (length > 0 && spans) spans->push_back({position, length});
        if (length > ScriptLineLimit) length = ScriptLineLimit;
        if (length > 0) lines.push_back(bytes.substr(position, length));

        position = lineEnd;
        while (position < end && (bytes[position] == '\r' || bytes[position] == '\n')) ++position;
    }
    return lines;
}
