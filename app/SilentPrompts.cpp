#include "app/SilentPrompts.h"

InUseAnswer SilentPrompts::AskAboutFileInUse(const InUseQuestion& question) {
    if (question.destPath != m_waitingFor) {
        m_waitingFor = question.destPath;
        m_since = GetTickCount();
        m_closeAsked = false;
    }
    // Once a file: a program that refused to close is not asked again and again.
    if (m_closeApplications && question.canClose && !m_closeAsked) {
        m_closeAsked = true;
        return InUseAnswer::ClosePrograms;
    }
    // Unsigned, so that the tick count passing its bound measures right.
    if (GetTickCount() - m_since >= m_waitMs) return InUseAnswer::GiveUp;
    Sleep(m_retryMs);
    return InUseAnswer::Retry;
}
