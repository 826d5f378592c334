#pragma once
// CWnd: one window and its C++ object. The object is found from the window
// through the window's user data, set from CreateWindowExA's last argument;
// messages then go through the class's message map.
#include <windows.h>
#include <span>
#include <string>

class CWnd {
public:
    using Handler = LRESULT (CWnd::*)(WPARAM, LPARAM);
    // One row of a message map: a message, or for WM_COMMAND and WM_NOTIFY a
    // notification code from a control id.
    struct MessageMapEntry {
        UINT message;
        UINT code;
        UINT id;
        Handler handler;
    };

    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    BOOL CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                  int x, int y, int width, int height, HWND parent, HMENU menu);
    BOOL DestroyWindow();
    BOOL ShowWindow(int cmdShow) { return ::ShowWindow(m_hWnd, cmdShow); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }
    std::string GetWindowText() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const std::string& text) { ::SetDlgItemTextA(m_hWnd, id, text.c_str()); }
    std::string GetDlgItemText(int id) const;
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    // Centres over the owner when it is visible, otherwise on the work area.
    void CenterWindow(CWnd* alternateOwner = nullptr);

    HWND m_hWnd = nullptr;

protected:
    virtual std::span<const MessageMapEntry> GetMessageMap() const { return {}; }
    // Called after the window is gone (WM_NCDESTROY); a heap window may delete itself here.
    virtual void PostNcDestroy() {}
    // Looks the message up in the map and runs its handler.
    bool DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Framework bookkeeping at WM_NCDESTROY: the main window's end quits the loop.
    void OnFinalDestroy();

private:
    friend const char* AfxRegisterWndClass(UINT, HCURSOR, HBRUSH, HICON);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Handlers are written as members of the derived class; the map stores them as CWnd members.
template <class T>
constexpr CWnd::Handler MapHandler(LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return static_cast<CWnd::Handler>(handler);
}

// Registers (once) a window class with the given look and returns its name.
const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon);
