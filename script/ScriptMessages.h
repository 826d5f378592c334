#pragma once
// Where the command script's messages go: the application's message box in
// the product, the log of an unattended run; a test puts its own reporter in
// place to collect them.
#include <functional>
#include <string>

using ScriptMessageReporter = std::function<void(const std::string& text)>;

// Shows one message of the script and returns when the user has closed it.
void ReportScriptMessage(const std::string& text);

// Puts `reporter` in place (an empty one restores the message box) and
// returns the one it replaces.
ScriptMessageReporter SetScriptMessageReporter(ScriptMessageReporter reporter);
