#include "app/BackdropWindow.h"

#include "app/BackdropPainter.h"
#include "framework/Dpi.h"
#include "settings/SetupTexts.h"
#include "res/resource.h"

BackdropWindow::BackdropWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const char* windowClass =
        AfxRegisterWndClass(CS_DBLCLKS, LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                            LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP)));
    CreateEx(0, windowClass, "Setup", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
             CW_USEDEFAULT, nullptr, nullptr);

    m_dpi = WindowDpi(m_hWnd);
    CreateMessageFont();

    // The full-screen area from the top left corner, the caption bar included.
    m_placement = {0, 0, GetSystemMetrics(SM_CXFULLSCREEN),
                   GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFULLSCREEN)};
    WINDOWPLACEMENT placement = {sizeof(placement)};
    GetWindowPlacement(m_hWnd, &placement);
    placement.rcNormalPosition = m_placement;
    SetWindowPlacement(m_hWnd, &placement);
}

BackdropWindow::~BackdropWindow() { m_font.DeleteObject(); }

void BackdropWindow::CreateMessageFont() {
    // 28 pixels high at 96 DPI; Windows no longer enlarges the window for us.
    m_fontReady = m_font.Attach(CreateFontA(ScaleForDpi(-28, m_dpi), 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE,
                                            ANSI_CHARSET, 0, 0, 0, FF_SWISS | DEFAULT_PITCH, "ARIAL"));
}

LRESULT BackdropWindow::OnDpiChanged(WPARAM wParam, LPARAM) {
    m_dpi = HIWORD(wParam);
    CreateMessageFont();
    InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}

std::span<const CWnd::MessageMapEntry> BackdropWindow::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_PAINT, 0, 0, MapHandler(&BackdropWindow::OnPaint)},
        {kDpiChangedMessage, 0, 0, MapHandler(&BackdropWindow::OnDpiChanged)},
    };
    return map;
}

LRESULT BackdropWindow::OnPaint(WPARAM, LPARAM) {
    CPaintDC dc(m_hWnd);
    RECT client;
    GetClientRect(&client);
    PaintGradient(dc, client.right - client.left, client.bottom - client.top);
    PaintScreenMessage(dc, m_fontReady ? static_cast<HFONT>(m_font) : nullptr, SetupTexts.ScreenMessage, m_dpi);
    return 0;
}
