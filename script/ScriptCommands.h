#pragma once
// The commands of the script: COPY copies one file; RUN and RENAME are
// accepted and do nothing; any other word does nothing.
#include <cstddef>
#include <string>

// The longest path a COPY hands to the system (MAX_PATH less the terminator).
constexpr size_t ScriptPathLimit = 259;

// A path cut into drive ("C:"), directory (up to and including the last "\"
// or "/"), name and extension (from the last period of the name on).
struct ScriptPathParts {
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};

// Double-byte characters of the system's ANSI code page are stepped over
// whole, so a trail byte that looks like "\" splits nothing.
ScriptPathParts SplitScriptPath(const std::string& path);

// Runs the command in ScriptFields (its word matched in any case). Returns
// the failure the script's rules keep silent (a COPY that could not be
// made), for the run's log; empty when there was none.
std::string ExecuteScriptCommand();

// The checks of a COPY line that need no file, in the order the command
// makes them: the message of the first that fails, or empty when all pass.
// A destination that names a folder is completed in place.
std::string CheckCopyLine(const std::string& command, const std::string& source, std::string& destination);

// COPY source destination: checks the line, completes a destination that
// names a folder (ScriptFields[2] is replaced), and copies the file over any
// existing one. Each failed check reports its message and ends the command;
// a copy that cannot be made says nothing on the screen, and comes back as
// the text of its failure (empty when the file was copied).
std::string ExecuteCopyCommand();

// The most a script's copy takes: it copies small files whole (an INI file,
// a font, a DLL), far below this.
constexpr unsigned long kMostScriptCopyBytes = 64ul << 20;

// Copies the file to the destination through the door: the destination's
// folder reached with no link followed on the way, the file written whole
// beside its name and put in its place (what stood there replaced, never
// written through), with the source's time and attributes. False with the
// system's error when it cannot be done.
bool CopyThroughTheDoor(const std::string& source, const std::string& destination);
