#pragma once
// The command script named by CommandFile, run once at the end of a
// successful installation.
#include <functional>
#include <string>

// Told each line of the script as read, before it runs (an unattended run's log).
using ScriptLineNote = std::function<void(const std::string& line)>;

// Makes StartDir current, reads the script and executes its lines one after
// the other; returns after the last one (and every message it showed).
// "NULL" means no script and leaves the current directory alone.
// `noteFailure` is told each failure the script's rules keep off the screen
// (a COPY that could not be made), as the run's log names it.
void RunCommandScript(const ScriptLineNote& noteLine = {}, const ScriptLineNote& noteFailure = {});
