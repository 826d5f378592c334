#pragma once
// What a run's log says of its copy and its script, the same for an
// unattended run and for an interactive one started with /LOG=.
#include "engine/CopyOutcome.h"
#include "script/CommandScript.h"

class LogFile;

// A line per file written ("Copied: " or, over a file that was there,
// "Replaced: "), then per file that could not be installed and per folder
// of the medium that could not be read, each name of the medium this system
// cannot write whole, each program closed and not started again, each
// reader's file not put back,
// what the journal's keeping had to say, and a journal that could not be begun.
void LogCopiedFiles(const CopyOutcome& outcome, LogFile& log);

// Notes each line of the command script in the log ("Script line: ").
ScriptLineNote ScriptLinesTo(LogFile& log);
// The script's failures that its rules keep off the screen, into the log.
ScriptLineNote ScriptFailuresTo(LogFile& log);
