#pragma once
// The copy's prompts in an unattended run: nothing is shown, and the one
// question the copy asks, whether a file there already may be replaced, is
// answered Yes To All, as an administrator installing over an earlier copy
// of the book wants it. A file another program holds is tried again for a
// while (closing the programs first when the administrator allowed it),
// then given up on.
#include <windows.h>

#include <string>

#include "engine/CopyPrompts.h"

class SilentPrompts : public CopyPrompts {
public:
    // `closeApplications`: /CLOSEAPPLICATIONS; `waitMs`: how long one file is
    // tried again before it is given up on; `retryMs`: the pause between tries.
    explicit SilentPrompts(bool closeApplications = false, DWORD waitMs = kHeldFileWaitMs,
                           DWORD retryMs = kHeldFileRetryMs)
        : m_closeApplications(closeApplications), m_waitMs(waitMs), m_retryMs(retryMs) {}

    // Ten seconds a file, tried again every half second.
    static constexpr DWORD kHeldFileWaitMs = 10000;
    static constexpr DWORD kHeldFileRetryMs = 500;

    void ShowFile(const char*, const std::string&) override {}
    void SetTotalBytes(uint64_t) override {}
    void FileBytesRead(uint64_t) override {}
    void FileDone(uint64_t) override {}
    ReplaceAnswer AskToReplace(const ReplaceQuestion&) override { return ReplaceAnswer::YesToAll; }
    InUseAnswer AskAboutFileInUse(const InUseQuestion& question) override;
    // Never asked after Yes To All; were it, nobody is there to go on.
    bool ConfirmExit() override { return true; }

private:
    bool m_closeApplications;
    DWORD m_waitMs;
    DWORD m_retryMs;
    // The file waited for, since when, and whether its programs were asked to close.
    std::string m_waitingFor;
    DWORD m_since = 0;
    bool m_closeAsked = false;
};
