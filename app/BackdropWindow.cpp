#include "app/BackdropWindow.h"

#include "app/BackdropPainter.h"
#include "settings/SetupTexts.h"
#include "res/resource.h"

BackdropWindow::BackdropWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const char* windowClass =
        AfxRegisterWndClass(CS_DBLCLKS, LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                            LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP)));
    CreateEx(0, windowClass, "Setup", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
             CW_USEDEFAULT, nullptr, nullptr);

    m_fontReady = m_font.Attach(CreateFontA(-28, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0,
                                            FF_SWISS | DEFAULT_PITCH, "ARIAL"));

    // The full-screen area from the top left corner, the caption bar included.
    m_placement = {0, 0, GetSystemMetrics(SM_CXFULLSCREEN),
                   GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFULLSCREEN)};
    WINDOWPLACEMENT placement = {sizeof(placement)};
    GetWindowPlacement(m_hWnd, &placement);
    placement.rcNormalPosition = m_placement;
    SetWindowPlacement(m_hWnd, &placement);
}

BackdropWindow::~BackdropWindow() { m_font.DeleteObject(); }

std::span<const CWnd::MessageMapEntry> BackdropWindow::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_PAINT, 0, 0, MapHandler(&BackdropWindow::OnPaint)},
    };
    return map;
}

LRESULT BackdropWindow::OnPaint(WPARAM, LPARAM) {
    CPaintDC dc(m_hWnd);
    RECT client;
    GetClientRect(&client);
    PaintGradient(dc, client.right - client.left, client.bottom - client.top);
    PaintScreenMessage(dc, m_fontReady ? static_cast<HFONT>(m_font) : nullptr, SetupTexts.ScreenMessage);
    return 0;
}
