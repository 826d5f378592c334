#include "engine/HeldFiles.h"

#include "framework/FileInUse.h"

HeldFiles::Next HeldFiles::Ask(CopyPrompts& prompts, const std::string& fileName, const std::string& destPath,
                               const std::atomic<bool>& cancelled, std::vector<HeldFile>& held) {
    if (!IsHeldNow(destPath)) return Next::NotHeld;
    if (cancelled) return Next::Leave;
    auto session = std::make_unique<RestartManagerSession>();
    InUseQuestion question{fileName, destPath, session->HoldersOf(destPath)};
    question.canClose = m_closed.size() < kMaxClosingSessions && MayOfferToClose(question.holders, OwnSession());
    InUseAnswer answer = prompts.AskAboutFileInUse(question);
    // A leave confirmed while the question was open stands, whatever it answered.
    if (cancelled) return Next::Leave;
    switch (answer) {
    case InUseAnswer::Retry: break;
    case InUseAnswer::ClosePrograms:
        if (question.canClose) {
            session->CloseHolders();
            m_closed.push_back(std::move(session));
        }
        break;
    case InUseAnswer::GiveUp:
        held.push_back({destPath, ProgramsOnOneLine(question.holders)});
        return Next::GiveUp;
    case InUseAnswer::Cancel:
        // Staying, the file is tried again: asked about again while it is held.
        if (prompts.ConfirmExit() || cancelled) return Next::Leave;
        break;
    }
    return Next::TryAgain;
}

void HeldFiles::RestartClosed() {
    for (std::unique_ptr<RestartManagerSession>& session : m_closed) session->RestartClosed();
    m_closed.clear();
}
