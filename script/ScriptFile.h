#pragma once
// Reading the command script and cutting it into lines. No window is needed
// here, so the rules can be checked on their own.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// Only this much of a script file is read; the rest is ignored.
constexpr size_t ScriptReadLimit = 64999;
// The longest line the script keeps; a longer line keeps its first this many
// characters (whole ones, in the program's code page) and loses the rest up
// to its line end.
constexpr size_t ScriptLineLimit = 1023;

// Reads up to ScriptReadLimit bytes from an open file into `bytes`. False when
// the system reports a read error: `bytes` is then empty, so that a script
// that could not be read whole is never run in part.
bool ReadScriptBytes(HANDLE file, std::string& bytes);

// Reads the script as ReadScriptBytes does and hands over its text in the
// program's own code page: the bytes are the publisher's, in the system's
// code page or UTF-8 after a UTF-8 byte-order mark, as the profile files are.
bool ReadScriptText(HANDLE file, std::string& text);

// Cuts the bytes read from a script into its non-empty lines: a NUL ends the
// script, a line ends at a carriage return, and every CR and LF after that
// end is skipped. A line feed before the CR of its line is an ordinary
// character of the line.
struct ScriptLineSpan {
    size_t start;   // offset of the line's first byte in the bytes
    size_t length;  // the line's length in characters before the cut to ScriptLineLimit
};
std::vector<std::string> SplitScriptText(const std::string& bytes, std::vector<ScriptLineSpan>* spans = nullptr);
