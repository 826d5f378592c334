#include "script/CommandScript.h"

#include <windows.h>

#include "settings/InstallSettings.h"
#include "framework/SafeFormat.h"
#include "script/PathVariables.h"
#include "script/ScriptCommands.h"
#include "script/ScriptFile.h"
#include "script/ScriptLine.h"
#include "script/ScriptMessages.h"

std::string ParseScriptLine(std::string line) {
    size_t count = SplitScriptLine(std::move(line));
    for (size_t i = 0; i < count; ++i) ExpandPathVariable(ScriptFields[i]);
    return ExecuteScriptCommand();
}

void RunCommandScript(const ScriptLineNote& noteLine, const ScriptLineNote& noteFailure) {
    const std::string& name = InstallSettings.CommandFile;
    if (name == "NULL") return;

    // A relative script name means a file on the medium; the change lasts.
    SetCurrentDirectoryA(InstallSettings.StartDir.c_str());
    if (name.empty()) return;

    const std::string notFound = StringPrintf("Couldn't find script file %s.", name.c_str());
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ReportScriptMessage(notFound);
        return;
    }
    std::string bytes;
    bool read = ReadScriptText(file, bytes);
    CloseHandle(file);
    // A script that could not be read whole is not run at all: a part of it
    // could copy some files and not others. The user is told, as when the
    // file cannot be opened, that the script was not available.
    if (!read) {
        ReportScriptMessage(notFound);
        return;
    }
    for (const std::string& line : SplitScriptText(bytes)) {
        if (noteLine) noteLine(line);
        std::string failure = ParseScriptLine(line);
        if (!failure.empty() && noteFailure) noteFailure(failure);
    }
}
