#include "engine/HeldFiles.h"

#include <algorithm>

#include "framework/FileInUse.h"
#include "framework/Rights.h"

HeldFiles::Next HeldFiles::Ask(CopyPrompts& prompts, const std::string& fileName, const std::string& destPath,
                               const std::atomic<bool>& cancelled, std::vector<HeldFile>& held) {
    if (!IsHeldNow(destPath)) return Next::NotHeld;
    if (cancelled) return Next::Leave;
    InUseQuestion question{fileName, destPath, HoldersOf(destPath)};
    question.canClose = m_closed.size() < kMaxClosingSessions && MayOfferToClose(question.holders, OwnSession());
    InUseAnswer answer = prompts.AskAboutFileInUse(question);
    // A leave confirmed while the question was open stands, whatever it answered.
    if (cancelled) return Next::Leave;
    switch (answer) {
    case InUseAnswer::Retry: break;
    case InUseAnswer::ClosePrograms:
        if (question.canClose) {
            // Only the processes the reader was shown, and only while they are
            // what holds the file: a change (another program opened it, one
            // closed and started again) is put to the reader first, as the
            // file is tried again and found held.
            if (!SameHolders(question.holders, HoldersOf(destPath))) break;
            Close(question.holders.programs);
            for (const HoldingProgram& program : question.holders.programs)
                if (std::find(m_closedNames.begin(), m_closedNames.end(), program.name) == m_closedNames.end())
                    m_closedNames.push_back(program.name);
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

FileHolders HeldFiles::HoldersOf(const std::string& path) const {
    return m_system.holdersOf ? m_system.holdersOf(path) : RestartManagerSession().HoldersOf(path);
}

void HeldFiles::Close(const std::vector<HoldingProgram>& programs) {
    if (m_system.close) return m_system.close(programs);
    auto closing = std::make_unique<RestartManagerSession>();
    closing->CloseProcesses(programs);
    m_closed.push_back(std::move(closing));
}

std::vector<std::string> HeldFiles::RestartClosed() {
    std::vector<std::string> names;
    if (RestartsClosedPrograms(HasAdministratorRights())) {
        for (std::unique_ptr<RestartManagerSession>& session : m_closed) session->RestartClosed();
    } else {
        names = std::move(m_closedNames);
    }
    m_closed.clear();
    m_closedNames.clear();
    return names;
}
