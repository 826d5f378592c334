#include "script/ScriptCommands.h"

#include <windows.h>

#include "engine/FileOperations.h"
#include "framework/SafeFormat.h"
#include "record/SetupRunRecord.h"
#include "script/ScriptLine.h"
#include "script/ScriptMessages.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"

void ExecuteScriptCommand() {
    if (UpperAnsi(ScriptFields[0]) == "COPY") ExecuteCopyCommand();
    // "RUN" and "RENAME" are accepted and, like every other word, do nothing.
}

void ExecuteCopyCommand() {
    const std::string& command = ScriptFields[0];
    const std::string& source = ScriptFields[1];
    std::string& destination = ScriptFields[2];

    std::string problem = CheckCopyLine(command, source, destination);
    if (!problem.empty()) {
        ReportScriptMessage(problem);
        return;
    }

    // A path past the system's limit cannot name a file: like any copy that
    // cannot be made, nothing is copied and nothing is said. Checked here so
    // that no such path reaches the system, whose answer differs between
    // Windows (refused) and Wine (may be taken).
    if (PathLength(source) > ScriptPathLimit || PathLength(destination) > ScriptPathLimit) return;

    if (!PathExists(source)) {
        ReportScriptMessage(StringPrintf("The file %s does not exist. (Script command '%s    %s    %s')", source.c_str(),
                                         command.c_str(), source.c_str(), destination.c_str()));
        return;
    }
    // A plain byte copy over any existing file; a failure is not reported.
    // Whether a file was there before tells the uninstaller's count whether
    // someone else uses it too.
    bool existed = PathExists(destination);
    if (CopyFileA(source.c_str(), destination.c_str(), FALSE)) RecordScriptCopy(destination, existed);
}
