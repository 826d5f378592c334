#include "script/ScriptFile.h"

#include "framework/CodePage.h"
#include "framework/PathText.h"
#include "settings/ProfileFile.h"

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

bool ReadScriptText(HANDLE file, std::string& text) {
    std::string bytes;
    if (!ReadScriptBytes(file, bytes)) {
        text.clear();
        return false;
    }
    text = NarrowText(DecodePublisherText(bytes, SystemCodePage()));
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
        std::string_view line = std::string_view(bytes).substr(position, lineEnd - position);
        // The cut falls after the last whole character that is kept.
        size_t characters = 0, kept = 0;
        for (size_t i = 0; i < line.size(); i = NextCharIndex(line, i), ++characters)
            if (characters < ScriptLineLimit) kept = NextCharIndex(line, i);
        if (!line.empty() && spans) spans->push_back({position, characters});
        if (!line.empty()) lines.emplace_back(line.substr(0, kept));

        position = lineEnd;
        while (position < end && (bytes[position] == '\r' || bytes[position] == '\n')) ++position;
    }
    return lines;
}
