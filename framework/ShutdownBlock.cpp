#include "framework/ShutdownBlock.h"

#include <utility>
#include <vector>

namespace {
using CreateReason = BOOL(WINAPI*)(HWND, LPCWSTR);
using DestroyReason = BOOL(WINAPI*)(HWND);

// user32 is loaded in every program with a window; nothing new is loaded.
FARPROC User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? GetProcAddress(user32, name) : nullptr;
}
}  // namespace

ShutdownBlockReason::ShutdownBlockReason(HWND window, const std::string& reason) {
    auto create = reinterpret_cast<CreateReason>(User32Function("ShutdownBlockReasonCreate"));
    if (!create || !window) return;
    // The system takes the reason only as UTF-16: the program's own text, in its code page.
    int length = MultiByteToWideChar(CP_ACP, 0, reason.c_str(), -1, nullptr, 0);
    if (length <= 0) return;
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, reason.c_str(), -1, wide.data(), length);
    if (create(window, wide.data())) m_window = window;
}

ShutdownBlockReason::~ShutdownBlockReason() {
    if (!m_window) return;
    if (auto destroy = reinterpret_cast<DestroyReason>(User32Function("ShutdownBlockReasonDestroy")))
        destroy(m_window);
}
