#include "script/ScriptLine.h"

std::array<std::string, ScriptFieldCount> ScriptFields;

size_t SplitScriptLine(std::string line) {
    std::vector<std::string> fields = SplitScriptFields(std::move(line), ScriptFieldCount);
    for (size_t i = 0; i < ScriptFieldCount; ++i) ScriptFields[i] = i < fields.size() ? fields[i] : std::string();
    return fields.size();
}

std::vector<std::string> SplitScriptFields(std::string line, size_t limit) {
    std::vector<std::string> fields;

    // The appended space ends the last field; an unterminated quote keeps it.
    line += ' ';
    const size_t length = line.size();
    size_t position = 0;
    while (position < length && fields.size() < limit) {
        size_t start;
        size_t end;
        if (line[position] == '"') {
            start = position + 1;
            end = line.find('"', start);
            if (end == std::string::npos) end = length;
            position = end + 1;
        } else {
            start = position;
            end = line.find(' ', start);
            if (end == std::string::npos) end = length;
            position = end;
        }
        fields.push_back(line.substr(start, end - start));
        while (position < length && line[position] == ' ') ++position;
    }
    return fields;
}
