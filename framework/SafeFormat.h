#pragma once
#include <string>

// Formats a text from SETUP.TXT that may hold one "%s": the first "%s" takes
// the argument and "%%" gives "%". Everything else, a second "%s", "%d", "%n"
// or a lone "%", is shown as written: the text can never make the formatter
// read anything but its one argument.
std::string FormatText(const std::string& text, const std::string& argument);

// printf-style formatting for the program's own fixed texts (checked by the compiler).
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
