#include "framework/ImageList.h"

namespace {
// The bitmap stretched to width x height pixel by pixel (COLORONCOLOR): no
// colour is blended, so the pictures stay sharp and the mask colour stays
// exactly the mask colour at every edge.
HBITMAP Stretched(HBITMAP bitmap, int fromWidth, int fromHeight, int width, int height) {
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP result = CreateCompatibleBitmap(screen, width, height);
    if (from && to && result) {
        CSelectObject source(from, bitmap), target(to, result);
        SetStretchBltMode(to, COLORONCOLOR);
        if (!StretchBlt(to, 0, 0, width, height, from, 0, 0, fromWidth, fromHeight, SRCCOPY)) {
            DeleteObject(result);
            result = nullptr;
        }
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    ReleaseDC(nullptr, screen);
    return result;
}
}  // namespace

bool CImageList::LoadBitmapStrip(UINT bitmapId, int width, int shownWidth, int grow, COLORREF mask) {
    DeleteImageList();
    CBitmap strip;
    if (!strip.Attach(static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0))))
        return false;
    BITMAP size = {};
    if (width <= 0 || shownWidth <= 0 || !GetObjectA(strip, sizeof(size), &size) || size.bmWidth < width)
        return false;
    int count = size.bmWidth / width;
    int shownHeight = MulDiv(size.bmHeight, shownWidth, width);
    if (shownWidth != width &&
        !strip.Attach(Stretched(strip, count * width, size.bmHeight, count * shownWidth, shownHeight)))
        return false;
    m_hImageList = CommonControls::ImageList_Create(shownWidth, shownHeight, ILC_COLOR24 | ILC_MASK, count, grow);
    if (m_hImageList && CommonControls::ImageList_AddMasked(m_hImageList, strip, mask) < 0) DeleteImageList();
    return m_hImageList != nullptr;
}
