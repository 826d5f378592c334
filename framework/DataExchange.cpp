#include "framework/DataExchange.h"

void DDX_Text(CDataExchange* exchange, int id, std::string& value) {
    HWND control = GetDlgItem(exchange->m_hDlg, id);
    if (!control) return;
    if (!exchange->m_bSaveAndValidate) {
        SetWindowTextA(control, value.c_str());
        return;
    }
    int length = GetWindowTextLengthA(control);
    std::string text(length + 1, '\0');
    int got = GetWindowTextA(control, text.data(), length + 1);
    text.resize(got > 0 ? got : 0);
    value = std::move(text);
}
