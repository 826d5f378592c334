#include "script/ScriptCommands.h"

#include <windows.h>

#include "framework/SafeFormat.h"

// The path rules of the script's commands, apart from running them: no
// window, no file, so that the publisher's check applies them as setup does.

ScriptPathParts SplitScriptPath(const std::string& path) {
    ScriptPathParts parts;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    size_t nameStart = start;
    size_t lastPeriod = std::string::npos;
    for (size_t i = start; i < path.size(); ++i) {
        char c = path[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\' || c == '/') {
            nameStart = i + 1;
            lastPeriod = std::string::npos;
        } else if (c == '.') {
            lastPeriod = i;
        }
    }
    parts.directory = path.substr(start, nameStart - start);
    size_t nameEnd = lastPeriod == std::string::npos ? path.size() : lastPeriod;
    parts.name = path.substr(nameStart, nameEnd - nameStart);
    parts.extension = path.substr(nameEnd);
    return parts;
}

std::string CheckCopyLine(const std::string& command, const std::string& source, std::string& destination) {
    if (source.find('.') == std::string::npos)
        return StringPrintf("'%s' is an illegal filename. (The filename _must_ have an extension.)", source.c_str());
    ScriptPathParts from = SplitScriptPath(source);
    ScriptPathParts to = SplitScriptPath(destination);
    if (from.drive.empty() || to.drive.empty())
        return StringPrintf("You must specify a source and destination drive. ('%s    %s    %s')", command.c_str(),
                            source.c_str(), destination.c_str());
    if (from.directory.empty() || to.directory.empty())
        return StringPrintf("You must specify a source and destination path. ('%s    %s    %s')", command.c_str(),
                            source.c_str(), destination.c_str());
    // A destination without an extension names a folder: the file keeps its name there.
    if (to.extension.empty()) destination = to.drive + to.directory + to.name + "\\" + from.name + from.extension;
    return {};
}
