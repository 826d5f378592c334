#include "engine/ProgressPrompts.h"

#include "engine/FileInUseDialog.h"
#include "engine/ReplaceFileDialog.h"

void ProgressPrompts::ShowFile(const char* sourceName, const std::string& destPath) {
    if (m_window) m_report.Post(sourceName, destPath);
}

ReplaceAnswer ProgressPrompts::AskToReplace(const ReplaceQuestion& q) {
    // Before a question about the file, the dialog shows exactly that file.
    if (m_window) SendMessageA(m_window, WM_SHOW_PROGRESS, 0, 0);
    ReplaceFileDialog dialog(q.fileName, q.sourceSize, q.existingSize, q.sourceTime, q.existingTime);
    INT_PTR result = dialog.DoModalOver(m_window);
    if (dialog.skipFile) return ReplaceAnswer::No;
    if (result != IDOK) return ReplaceAnswer::Cancel;
    return dialog.yesToAll ? ReplaceAnswer::YesToAll : ReplaceAnswer::Yes;
}

InUseAnswer ProgressPrompts::AskAboutFileInUse(const InUseQuestion& question) {
    // As at a replace question: the dialog shows the file asked about, and
    // the question is owned by it.
    if (m_window) SendMessageA(m_window, WM_SHOW_PROGRESS, 0, 0);
    FileInUseDialog dialog(question);
    dialog.DoModalOver(m_window);
    return dialog.answer;
}

bool ProgressPrompts::ConfirmExit() { return m_askToLeave && m_askToLeave(m_window); }
