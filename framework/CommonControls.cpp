#include "framework/CommonControls.h"

namespace {
// comctl32's entry points, looked up once on first use; a missing one stays null.
struct Entries {
    decltype(&::InitCommonControlsEx) initCommonControlsEx = nullptr;
    decltype(&::ImageList_Create) imageListCreate = nullptr;
    decltype(&::ImageList_AddMasked) imageListAddMasked = nullptr;
    decltype(&::ImageList_Destroy) imageListDestroy = nullptr;
    decltype(&::ImageList_GetImageCount) imageListGetImageCount = nullptr;
};

template <class F>
void Find(HMODULE module, const char* name, F& entry) {
    entry = reinterpret_cast<F>(GetProcAddress(module, name));
}

const Entries& Loaded() {
    // The module stays loaded for the life of the process, as an import would.
    static const Entries entries = [] {
        Entries found;
        HMODULE module = LoadLibraryA("comctl32.dll");
        if (!module) return found;
        Find(module, "InitCommonControlsEx", found.initCommonControlsEx);
        Find(module, "ImageList_Create", found.imageListCreate);
        Find(module, "ImageList_AddMasked", found.imageListAddMasked);
        Find(module, "ImageList_Destroy", found.imageListDestroy);
        Find(module, "ImageList_GetImageCount", found.imageListGetImageCount);
        return found;
    }();
    return entries;
}
}  // namespace

namespace CommonControls {
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
    auto call = Loaded().initCommonControlsEx;
    return call ? call(classes) : FALSE;
}

HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow) {
    auto call = Loaded().imageListCreate;
    return call ? call(width, height, flags, initial, grow) : nullptr;
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF mask) {
    auto call = Loaded().imageListAddMasked;
    return call ? call(list, bitmap, mask) : -1;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    auto call = Loaded().imageListDestroy;
    return call ? call(list) : FALSE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    auto call = Loaded().imageListGetImageCount;
    return call ? call(list) : 0;
}
}  // namespace CommonControls
