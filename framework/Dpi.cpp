#include "framework/Dpi.h"

UINT WindowDpi(HWND window) {
    // Looked up, not imported: GetDpiForWindow came with Windows 10 1607.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    HMODULE user = GetModuleHandleA("user32.dll");
    auto getDpiForWindow =
        user ? reinterpret_cast<GetDpiForWindowFn>(GetProcAddress(user, "GetDpiForWindow")) : nullptr;
    if (getDpiForWindow && window) {
        if (UINT dpi = getDpiForWindow(window)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}
