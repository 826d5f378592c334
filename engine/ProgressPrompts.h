#pragma once
// The copy's prompts as setup shows them: each file handed to the progress
// window's report, and the replace question and the exit question as modal
// dialogs of the worker thread owned by the progress window. Owned, no click
// on the backdrop can bring that over a question; the progress window stays
// live meanwhile, so its Cancel still works.
#include <windows.h>

#include <functional>

#include "engine/CopyPrompts.h"
#include "engine/ProgressReport.h"

// Sent by the worker to the progress window before a question: show the
// latest file now (the one asked about), and return once it shows.
constexpr UINT WM_SHOW_PROGRESS = WM_USER + 6;

// Asks whether the user really leaves setup; true when they do. Over
// `liveOwner`, a window of another thread that stays live meanwhile (the
// worker's question), or with null over the calling thread's usual owner.
// The exit question is a message dialog of setup's, which the engine is
// handed rather than knows.
using ExitQuestion = std::function<bool(HWND liveOwner)>;

class ProgressPrompts : public CopyPrompts {
public:
    // Without a window nothing is shown, and the questions have no owner.
    ProgressPrompts(HWND progressWindow, ProgressReport& report, ExitQuestion askToLeave)
        : m_window(progressWindow), m_report(report), m_askToLeave(std::move(askToLeave)) {}

    void ShowFile(const char* sourceName, const std::string& destPath) override;
    void SetTotalBytes(uint64_t total) override { m_report.SetTotalBytes(total); }
    void FileBytesRead(uint64_t read) override { m_report.FileBytesRead(read); }
    void FileDone(uint64_t size) override { m_report.FileDone(size); }
    ReplaceAnswer AskToReplace(const ReplaceQuestion& question) override;
    InUseAnswer AskAboutFileInUse(const InUseQuestion& question) override;
    bool ConfirmExit() override;

private:
    HWND m_window;
    ProgressReport& m_report;
    ExitQuestion m_askToLeave;
};
