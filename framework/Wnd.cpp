#include "framework/Wnd.h"

#include <cstdio>
#include <set>

#include "framework/WinApp.h"

CWnd::~CWnd() {
    // A window that outlives its object must not reach it any more.
    if (m_hWnd && IsWindow(m_hWnd) && GetWindowLongPtrA(m_hWnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu) {
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu,
                                GetModuleHandleA(nullptr), this);
    return hwnd != nullptr;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

namespace {
std::string WindowText(HWND hwnd) {
    if (!hwnd) return {};
    int length = ::GetWindowTextLengthA(hwnd);
    std::string text(length + 1, '\0');
    int got = ::GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(got > 0 ? got : 0);
    return text;
}
}  // namespace

std::string CWnd::GetWindowText() const { return WindowText(m_hWnd); }

std::string CWnd::GetDlgItemText(int id) const { return WindowText(GetDlgItem(id)); }

void CWnd::CenterWindow(CWnd* alternateOwner) {
    HWND center = alternateOwner ? alternateOwner->m_hWnd : GetWindow(m_hWnd, GW_OWNER);
    if (center && (!IsWindowVisible(center) || IsIconic(center))) center = nullptr;

    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT around = area;
    if (center) GetWindowRect(center, &around);

    RECT self;
    GetWindowRect(m_hWnd, &self);
    int width = self.right - self.left;
    int height = self.bottom - self.top;
    int left = (around.left + around.right) / 2 - width / 2;
    int top = (around.top + around.bottom) / 2 - height / 2;
    // Keep the whole dialog on the work area.
    if (left + width > area.right) left = area.right - width;
    if (left < area.left) left = area.left;
    if (top + height > area.bottom) top = area.bottom - height;
    if (top < area.top) top = area.top;
    SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CWnd::DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    UINT code = 0;
    UINT id = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wParam);
        id = LOWORD(wParam);
    } else if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        code = header->code;
        id = static_cast<UINT>(header->idFrom);
    }
    bool routed = message == WM_COMMAND || message == WM_NOTIFY;
    for (const MessageMapEntry& entry : GetMessageMap()) {
        if (entry.message != message) continue;
        if (routed && (entry.code != code || entry.id != id)) continue;
        result = (this->*entry.handler)(wParam, lParam);
        return true;
    }
    return false;
}

void CWnd::OnFinalDestroy() {
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    m_hWnd = nullptr;
    PostNcDestroy();
}

LRESULT CALLBACK CWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<CWnd*>(create->lpCreateParams);
        self->m_hWnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CWnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
        self->OnFinalDestroy();
        return result;
    }
    LRESULT result = 0;
    if (self->DispatchToMap(message, wParam, lParam, result)) return result;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
    // One class per distinct look, named after it; the set keeps each name alive.
    static std::set<std::string> registered;
    char wanted[96];
    std::snprintf(wanted, sizeof wanted, "Afx:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
                  static_cast<void*>(background), static_cast<void*>(icon));
    auto [it, isNew] = registered.insert(wanted);
    if (isNew) {
        WNDCLASSA wc = {};
        wc.style = classStyle;
        wc.lpfnWndProc = &CWnd::WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.lpszClassName = it->c_str();
        RegisterClassA(&wc);
    }
    return it->c_str();
}
