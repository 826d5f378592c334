#pragma once
// Moving a dialog's data members to and from its controls: UpdateData(FALSE)
// fills the controls, UpdateData(TRUE) reads them back.
#include <windows.h>

#include <string>

class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saveAndValidate) : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}

    HWND m_hDlg;
    bool m_bSaveAndValidate;  // true: controls to members; false: members to controls
};

// The text of control `id` and `value`, in the exchange's direction.
void DDX_Text(CDataExchange* exchange, int id, std::string& value);
