#include "engine/FileInUseDialog.h"

#include "framework/SafeFormat.h"
#include "settings/SetupTexts.h"

std::span<const CWnd::MessageMapEntry> FileInUseDialog::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_COMMAND, BN_CLICKED, IDC_INUSE_CLOSE, MapHandler(&FileInUseDialog::OnClosePrograms)},
    };
    return map;
}

BOOL FileInUseDialog::OnInitDialog() {
    answer = InUseAnswer::Cancel;
    SetWindowText(SetupTexts.FileInUseTitle);
    // The file by its full path: the reader must know which one to let go of.
    SetDlgItemText(IDC_MAIN_TEXT, FormatText(SetupTexts.FileInUseText, m_question.destPath));
    std::string programs = ProgramList(m_question.holders);
    SetDlgItemText(IDC_INUSE_PROGRAMS_LABEL, programs.empty() ? std::string() : SetupTexts.FileInUseProgramsText);
    SetDlgItemText(IDC_INUSE_PROGRAMS, programs);
    SetDlgItemText(IDOK, SetupTexts.RetryButton);
    SetDlgItemText(IDC_INUSE_CLOSE, SetupTexts.CloseProgramsButton);
    SetDlgItemText(IDCANCEL, SetupTexts.CancelButton);
    // Offered only where the system can name and close every program.
    ::ShowWindow(GetDlgItem(IDC_INUSE_CLOSE), m_question.canClose ? SW_SHOW : SW_HIDE);
    CenterWindow();
    return TRUE;
}

void FileInUseDialog::OnOK() {
    answer = InUseAnswer::Retry;
    CDialog::OnOK();
}

LRESULT FileInUseDialog::OnClosePrograms(WPARAM, LPARAM) {
    if (!m_question.canClose) return 0;
    answer = InUseAnswer::ClosePrograms;
    CDialog::OnOK();
    return 0;
}
