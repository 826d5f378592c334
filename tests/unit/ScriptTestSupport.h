#pragma once
// Shared by the command script's tests: the script's messages collected
// instead of shown.
#include <string>
#include <vector>

#include "TestFiles.h"
#include "script/ScriptMessages.h"

namespace script_test {

// Collects every message the script reports while it lives.
class CapturedScriptMessages {
public:
    CapturedScriptMessages() : m_previous(SetScriptMessageReporter(&Collect)) { Messages().clear(); }
    ~CapturedScriptMessages() { SetScriptMessageReporter(m_previous); }
    CapturedScriptMessages(const CapturedScriptMessages&) = delete;
    CapturedScriptMessages& operator=(const CapturedScriptMessages&) = delete;

    static std::vector<std::string>& Messages() {
        static std::vector<std::string> messages;
        return messages;
    }

private:
    static void Collect(const std::string& text) { Messages().push_back(text); }
    ScriptMessageReporter m_previous;
};

}  // namespace script_test
