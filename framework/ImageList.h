#pragma once
// CImageList: owns one image list (HIMAGELIST) and destroys it with itself.
#include <windows.h>
#include <commctrl.h>

#include "framework/CommonControls.h"
#include "framework/Gdi.h"

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    CImageList(CImageList&& other) noexcept : m_hImageList(other.m_hImageList) { other.m_hImageList = nullptr; }
    CImageList& operator=(CImageList&& other) noexcept {
        if (this != &other) {
            DeleteImageList();
            m_hImageList = other.m_hImageList;
            other.m_hImageList = nullptr;
        }
        return *this;
    }

    // Cuts the module's bitmap resource into images `width` pixels wide,
    // each shown `shownWidth` pixels wide (its height in proportion: a size
    // made for the screen's DPI); `mask` is the colour drawn transparent.
    // False when it cannot be loaded.
    bool LoadBitmapStrip(UINT bitmapId, int width, int shownWidth, int grow, COLORREF mask);
    void DeleteImageList() {
        if (m_hImageList) CommonControls::ImageList_Destroy(m_hImageList);
        m_hImageList = nullptr;
    }
    int GetImageCount() const { return m_hImageList ? CommonControls::ImageList_GetImageCount(m_hImageList) : 0; }
    operator HIMAGELIST() const { return m_hImageList; }

private:
    HIMAGELIST m_hImageList = nullptr;
};
