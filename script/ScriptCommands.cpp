#include "script/ScriptCommands.h"

#include <windows.h>

#include "engine/FileOperations.h"
#include "framework/SafeFormat.h"
#include "record/SetupRunRecord.h"
#include "script/ScriptLine.h"
#include "script/ScriptMessages.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"

std::string ExecuteScriptCommand() {
    if (UpperAnsi(ScriptFields[0]) == "COPY") return ExecuteCopyCommand();
    // "RUN" and "RENAME" are accepted and, like every other word, do nothing.
    return {};
}

std::string ExecuteCopyCommand() {
    const std::string& command = ScriptFields[0];
    const std::string& source = ScriptFields[1];
    std::string& destination = ScriptFields[2];

    std::string problem = CheckCopyLine(command, source, destination);
    if (!problem.empty()) {
        ReportScriptMessage(problem);
        return {};
    }
    auto failed = [&](const char* why) {
        return StringPrintf("The script's copy of %s to %s failed: %s. (Script command '%s    %s    %s')",
                            source.c_str(), destination.c_str(), why, command.c_str(), source.c_str(),
                            destination.c_str());
    };

    // A path past the system's limit cannot name a file: like any copy that
    // cannot be made, nothing is copied and nothing is said. Checked here so
    // that no such path reaches the system, whose answer differs between
    // Windows (refused) and Wine (may be taken).
    if (PathLength(source) > ScriptPathLimit || PathLength(destination) > ScriptPathLimit)
        return failed("a path is longer than the system allows");

    if (!PathExists(source)) {
        ReportScriptMessage(StringPrintf("The file %s does not exist. (Script command '%s    %s    %s')", source.c_str(),
                                         command.c_str(), source.c_str(), destination.c_str()));
        return {};
    }
    // A plain byte copy over any existing file; a failure is not reported.
    // Whether a file was there before tells the uninstaller's count whether
    // someone else uses it too.
    bool existed = PathExists(destination);
    if (!CopyFileA(source.c_str(), destination.c_str(), FALSE))
        return failed(StringPrintf("system error %lu", static_cast<unsigned long>(GetLastError())).c_str());
    RecordScriptCopy(destination, existed);
    return {};
}
