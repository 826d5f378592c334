#pragma once
// Splitting one script line into its fields and running it.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

constexpr size_t ScriptFieldCount = 10;

// The fields of the line being executed: 0 the command word, 1 the source,
// 2 the destination; 3 to 9 are kept but read by no command. A field the
// line does not supply is empty.
extern std::array<std::string, ScriptFieldCount> ScriptFields;

// Empties ScriptFields and splits the line into them: fields are separated
// by runs of spaces (a tab is an ordinary character), a field that begins
// with a double quote runs to the next double quote. Fields after the tenth
// are dropped. Returns how many fields the line supplied.
size_t SplitScriptLine(std::string line);

// The fields of the line by the same rule, at most `limit` of them (the
// publisher's check asks for one more than the script keeps, to see a line
// that has too many).
std::vector<std::string> SplitScriptFields(std::string line, size_t limit);

// Splits the line, expands the path variable of each field it supplied and
// executes the command; returns when the command (and any message it shows)
// has finished, with the failure it kept off the screen (empty when none).
std::string ParseScriptLine(std::string line);
