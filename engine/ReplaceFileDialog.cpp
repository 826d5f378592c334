#include "engine/ReplaceFileDialog.h"

#include "settings/SetupTexts.h"
#include "engine/FileFacts.h"
#include "framework/SafeFormat.h"

ReplaceFileDialog::ReplaceFileDialog(const std::string& fileName, uint32_t sourceSize, uint32_t existingSize,
                                     FILETIME sourceTime, FILETIME existingTime, CWnd* parent)
    : CDialog(IDD, parent),
      fileName(fileName),
      sourceSize(sourceSize),
      existingSize(existingSize),
      sourceTime(sourceTime),
      existingTime(existingTime) {}

std::span<const CWnd::MessageMapEntry> ReplaceFileDialog::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_COMMAND, BN_CLICKED, IDC_REPLACE_YES_TO_ALL, MapHandler(&ReplaceFileDialog::OnYesToAll)},
        {WM_COMMAND, BN_CLICKED, IDC_REPLACE_NO, MapHandler(&ReplaceFileDialog::OnNo)},
    };
    return map;
}

BOOL ReplaceFileDialog::OnInitDialog() {
    yesToAll = false;
    skipFile = false;
    SetDlgItemText(IDC_MAIN_TEXT, FormatText(SetupTexts.ConfirmReplaceText1, fileName));
    SetWindowText(SetupTexts.ConfirmReplaceTitle);
    SetDlgItemText(IDC_REPLACE_QUESTION, SetupTexts.ConfirmReplaceText2);

    // The incoming file stands above, the file already on the disk below.
    SetDlgItemText(IDC_REPLACE_SOURCE_SIZE, FormatFileSize(static_cast<int32_t>(sourceSize)));
    SetDlgItemText(IDC_REPLACE_WITH, SetupTexts.ConfirmReplaceText4);
    SetDlgItemText(IDC_REPLACE_EXISTING_SIZE, FormatFileSize(static_cast<int32_t>(existingSize)));
    SetDlgItemText(IDC_REPLACE_SOURCE_DATE, FormatText(SetupTexts.ConfirmReplaceText3, FormatFileTime(sourceTime)));
    SetDlgItemText(IDC_REPLACE_EXISTING_DATE,
                   FormatText(SetupTexts.ConfirmReplaceText3, FormatFileTime(existingTime)));

    SetDlgItemText(IDOK, SetupTexts.YesToAllButton);
    SetDlgItemText(IDCANCEL, SetupTexts.CancelButton);
    SetDlgItemText(IDC_REPLACE_YES_TO_ALL, SetupTexts.YesToAllTitle);
    // The template's own caption of the No button is a placeholder in another
    // language; NoButton is the text SETUP.TXT holds for it.
    SetDlgItemText(IDC_REPLACE_NO, SetupTexts.NoButton);
    CenterWindow();
    return TRUE;
}

LRESULT ReplaceFileDialog::OnYesToAll(WPARAM, LPARAM) {
    yesToAll = true;
    // Ends through OnOK, as the Yes button does.
    SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(IDOK)));
    return 0;
}

LRESULT ReplaceFileDialog::OnNo(WPARAM, LPARAM) {
    skipFile = true;
    OnOK();
    return 0;
}
