#include "script/ScriptCommands.h"

#include <windows.h>

#include "engine/FileOperations.h"
#include "framework/SafeFormat.h"
#include "record/SetupRunRecord.h"
#include "script/ScriptLine.h"
#include "script/ScriptMessages.h"

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

void ExecuteScriptCommand() {
    std::string word = ScriptFields[0];
    CharUpperBuffA(word.data(), static_cast<DWORD>(word.size()));
    if (word == "COPY") ExecuteCopyCommand();
    // "RUN" and "RENAME" are accepted and, like every other word, do nothing.
}

void ExecuteCopyCommand() {
    const std::string& command = ScriptFields[0];
    const std::string& source = ScriptFields[1];
    std::string& destination = ScriptFields[2];

    if (source.find('.') == std::string::npos) {
        ReportScriptMessage(StringPrintf("'%s' is an illegal filename. (The filename _must_ have an extension.)",
                                         source.c_str()));
        return;
    }
    ScriptPathParts from = SplitScriptPath(source);
    ScriptPathParts to = SplitScriptPath(destination);
    if (from.drive.empty() || to.drive.empty()) {
        ReportScriptMessage(StringPrintf("You must specify a source and destination drive. ('%s    %s    %s')",
                                         command.c_str(), source.c_str(), destination.c_str()));
        return;
    }
    if (from.directory.empty() || to.directory.empty()) {
        ReportScriptMessage(StringPrintf("You must specify a source and destination path. ('%s    %s    %s')",
                                         command.c_str(), source.c_str(), destination.c_str()));
        return;
    }
    // A destination without an extension names a folder: the file keeps its name there.
    if (to.extension.empty())
        destination = to.drive + to.directory + to.name + "\\" + from.name + from.extension;

    // A path past the system's limit cannot name a file: like any copy that
    // cannot be made, nothing is copied and nothing is said. Checked here so
    // that no such path reaches the system, whose answer differs between
    // Windows (refused) and Wine (may be taken).
    if (source.size() > ScriptPathLimit || destination.size() > ScriptPathLimit) return;

    if (!PathExists(source)) {
        ReportScriptMessage(StringPrintf("The file %s does not exist. (Script command '%s    %s    %s')", source.c_str(),
                                         command.c_str(), source.c_str(), destination.c_str()));
        return;
    }
    // A plain byte copy over any existing file; a failure is not reported.
    // Only a file that was not there before is the book's, for the uninstaller.
    bool existed = PathExists(destination);
    if (CopyFileA(source.c_str(), destination.c_str(), FALSE) && !existed) RecordScriptCopy(destination);
}
