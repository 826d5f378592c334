#include "script/ScriptMessages.h"

#include "framework/MessageBox.h"

namespace {
void ShowScriptMessageBox(const std::string& text) { AfxMessageBox(text, MB_OK); }

ScriptMessageReporter CurrentReporter = ShowScriptMessageBox;
}  // namespace

void ReportScriptMessage(const std::string& text) { CurrentReporter(text); }

ScriptMessageReporter SetScriptMessageReporter(ScriptMessageReporter reporter) {
    ScriptMessageReporter previous = CurrentReporter;
    CurrentReporter = reporter ? reporter : ShowScriptMessageBox;
    return previous;
}
