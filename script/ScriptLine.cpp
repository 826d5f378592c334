#include "script/ScriptLine.h"

#include "script/PathVariables.h"
#include "script/ScriptCommands.h"

std::array<std::string, ScriptFieldCount> ScriptFields;

size_t SplitScriptLine(std::string line) {
    for (std::string& field : ScriptFields) field.clear();
    size_t count = 0;

    // The appended space ends the last field; an unterminated quote keeps it.
    line += ' ';
    const size_t length = line.size();
    size_t position = 0;
    while (position < length && count < ScriptFieldCount) {
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
        ScriptFields[count++] = line.substr(start, end - start);
        while (position < length && line[position] == ' ') ++position;
    }
    return count;
}

void ParseScriptLine(std::string line) {
    size_t count = SplitScriptLine(std::move(line));
    for (size_t i = 0; i < count; ++i) ExpandPathVariable(ScriptFields[i]);
    ExecuteScriptCommand();
}
