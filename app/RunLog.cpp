#include "app/RunLog.h"

#include <set>

#include "framework/AnsiText.h"
#include "framework/LogFile.h"

void LogCopiedFiles(const CopyOutcome& outcome, LogFile& log) {
    std::set<std::string> replaced;
    for (const ReplacedFile& file : outcome.replacedFiles) replaced.insert(UpperAnsi(file.path));
    for (const std::string& path : outcome.writtenFiles)
        log.Line((replaced.count(UpperAnsi(path)) ? "Replaced: " : "Copied: ") + path);
    for (const FailedFile& file : outcome.failedFiles) log.Line("Could not install: " + file.path);
    for (const std::string& folder : outcome.unreadableFolders) log.Line("Could not read the medium's folder: " + folder);
}

ScriptLineNote ScriptLinesTo(LogFile& log) {
    return [&log](const std::string& line) { log.Line("Script line: " + line); };
}
