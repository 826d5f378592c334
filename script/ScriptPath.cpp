#include "script/ScriptCommands.h"

#include <windows.h>

#include "framework/PathText.h"
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
    std::string_view rest = std::string_view(path).substr(start);
    PathSplit split = SplitPath(rest);
    size_t period = FindLastOf(split.name, ".");
    parts.directory = split.folder;
    parts.name = split.name.substr(0, period);
    parts.extension = period == std::string::npos ? std::string() : split.name.substr(period);
    return parts;
}

std::string CheckCopyLine(const std::string& command, const std::string& source, std::string& destination) {
    if (FindChar(source, '.') == std::string::npos)
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
