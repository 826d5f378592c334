#pragma once
// Owners of GDI objects and device contexts: each frees its handle once, and
// none can be copied.
#include <windows.h>

template <class H>
class CGdiObject {
public:
    CGdiObject() = default;
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) {
            DeleteObject();
            m_handle = other.m_handle;
            other.m_handle = nullptr;
        }
        return *this;
    }

    // Takes ownership; false when there was nothing to take.
    bool Attach(H handle) {
        DeleteObject();
        m_handle = handle;
        return handle != nullptr;
    }
    void DeleteObject() {
        if (m_handle) ::DeleteObject(m_handle);
        m_handle = nullptr;
    }
    operator H() const { return m_handle; }

protected:
    H m_handle = nullptr;
};

class CFont : public CGdiObject<HFONT> {};

class CBrush : public CGdiObject<HBRUSH> {
public:
    bool CreateSolidBrush(COLORREF colour) { return Attach(::CreateSolidBrush(colour)); }
};

class CBitmap : public CGdiObject<HBITMAP> {};

// Painting in WM_PAINT: BeginPaint on construction, EndPaint on destruction.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(BeginPaint(hwnd, &m_ps)) {}
    ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_hDC; }

    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;

public:
    HDC m_hDC;
};

// The client area's device context outside WM_PAINT.
class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(GetDC(hwnd)) {}
    ~CClientDC() {
        if (m_hDC) ReleaseDC(m_hWnd, m_hDC);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;

public:
    HDC m_hDC;
};

// Selects an object into a context for a scope and puts the previous one back.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~CSelectObject() {
        if (m_previous) SelectObject(m_dc, m_previous);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
