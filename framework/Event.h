#pragma once
// CEvent: an unnamed Win32 event, auto-reset unless asked otherwise; owns its handle.
#include <windows.h>

class CEvent {
public:
    explicit CEvent(BOOL initiallyOwn = FALSE, BOOL manualReset = FALSE)
        : m_hObject(CreateEventA(nullptr, manualReset, initiallyOwn, nullptr)) {}
    ~CEvent() {
        if (m_hObject) CloseHandle(m_hObject);
    }
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    BOOL SetEvent() { return ::SetEvent(m_hObject); }
    BOOL ResetEvent() { return ::ResetEvent(m_hObject); }
    // True when the event was signalled within the time-out (and, auto-reset, is now consumed).
    bool Lock(DWORD timeout = INFINITE) { return WaitForSingleObject(m_hObject, timeout) == WAIT_OBJECT_0; }
    operator HANDLE() const { return m_hObject; }

    HANDLE m_hObject;
};
