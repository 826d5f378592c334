#pragma once
// Where the command script's messages go: the application's message box in
// the product; a test puts its own reporter in place to collect them.
#include <string>

using ScriptMessageReporter = void (*)(const std::string& text);

// Shows one message of the script and returns when the user has closed it.
void ReportScriptMessage(const std::string& text);

// Puts `reporter` in place (nullptr restores the message box) and returns the
// one it replaces.
ScriptMessageReporter SetScriptMessageReporter(ScriptMessageReporter reporter);
