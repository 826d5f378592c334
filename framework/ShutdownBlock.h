#pragma once
// The reason a window gives the system for holding up the end of the session
// (a logoff or shutdown): shown from Windows Vista on, where
// ShutdownBlockReasonCreate exists; it is looked up at run time, so that the
// program still starts on the systems before. Set while the object lives.
#include <windows.h>

#include <string>
#include <utility>

class ShutdownBlockReason {
public:
    ShutdownBlockReason() = default;
    ShutdownBlockReason(HWND window, const std::string& reason);
    ~ShutdownBlockReason();
    ShutdownBlockReason(ShutdownBlockReason&& other) noexcept : m_window(other.m_window) { other.m_window = nullptr; }
    ShutdownBlockReason& operator=(ShutdownBlockReason&& other) noexcept {
        std::swap(m_window, other.m_window);
        return *this;
    }
    ShutdownBlockReason(const ShutdownBlockReason&) = delete;
    ShutdownBlockReason& operator=(const ShutdownBlockReason&) = delete;

private:
    HWND m_window = nullptr;
};
