#include "app/RunLog.h"

#include <set>

#include "engine/CopyJob.h"
#include "framework/AnsiText.h"
#include "framework/LogFile.h"

void LogCopiedFiles(const CopyOutcome& outcome, LogFile& log) {
    std::set<std::string> replaced;
    for (const ReplacedFile& file : outcome.replacedFiles) replaced.insert(UpperAnsi(file.path));
    for (const std::string& path : outcome.writtenFiles)
        log.Line((replaced.count(UpperAnsi(path)) ? "Replaced: " : "Copied: ") + path);
    for (const FailedFile& file : outcome.failedFiles) log.Line("Could not install: " + file.path);
    for (const std::string& folder : outcome.unreadableFolders) log.Line("Could not read the medium's folder: " + folder);
    for (const std::string& name : outcome.namesNotWhole)
        log.Line("Not installed, as this system's code page cannot write its name whole: " + name);
    for (const std::string& program : outcome.closedPrograms)
        log.Line("Closed for the copy and not started again (start it when you need it): " + program);
    for (const NotPutBack& file : outcome.notPutBack)
        log.Line("Could not put back: " + file.path + " (the original is kept as " + file.kept + ")");
    for (const std::string& note : outcome.journalNotes) log.Line(note);
    if (outcome.journalNotBegun) log.Line(JournalNotBegunText(outcome.journalFolder));
}

ScriptLineNote ScriptLinesTo(LogFile& log) {
    return [&log](const std::string& line) { log.Line("Script line: " + line); };
}

ScriptLineNote ScriptFailuresTo(LogFile& log) {
    return [&log](const std::string& failure) { log.Line("Script: " + failure); };
}
