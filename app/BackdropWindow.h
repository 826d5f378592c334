#pragma once
// The full-screen window behind every dialog of setup: the application's main
// window, whose end ends the program. It lives on the heap and deletes itself
// when its window is destroyed.
#include "framework/Gdi.h"
#include "framework/Wnd.h"

class BackdropWindow : public CWnd {
public:
    BackdropWindow();
    ~BackdropWindow() override;

    LRESULT OnPaint(WPARAM, LPARAM);
    // Moved to a screen of another DPI: the message is drawn for that one.
    LRESULT OnDpiChanged(WPARAM, LPARAM);

protected:
    std::span<const MessageMapEntry> GetMessageMap() const override;
    void PostNcDestroy() override { delete this; }

private:
    // The large italic font of the message, for the window's DPI.
    void CreateMessageFont();

    RECT m_placement = {};
    bool m_fontReady = false;
    CFont m_font;
    UINT m_dpi = 96;
};
