#pragma once
// CImageList: owns one image list (HIMAGELIST) and destroys it with itself.
#include <windows.h>
#include <commctrl.h>

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

    // Cuts the module's bitmap resource into images `width` pixels wide;
    // `mask` is the colour drawn transparent. False when it cannot be loaded.
    bool LoadBitmapStrip(UINT bitmapId, int width, int grow, COLORREF mask) {
        DeleteImageList();
        m_hImageList = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId), width, grow,
                                            mask, IMAGE_BITMAP, 0);
        return m_hImageList != nullptr;
    }
    void DeleteImageList() {
        if (m_hImageList) ImageList_Destroy(m_hImageList);
        m_hImageList = nullptr;
    }
    int GetImageCount() const { return m_hImageList ? ImageList_GetImageCount(m_hImageList) : 0; }
    operator HIMAGELIST() const { return m_hImageList; }

private:
    HIMAGELIST m_hImageList = nullptr;
};
