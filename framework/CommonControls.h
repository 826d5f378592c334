#pragma once
// The common controls (comctl32), loaded by name at run time instead of
// imported. An import is resolved before the program's first instruction,
// while the loader still looks in the program's own folder first, and comctl32
// is not one of the DLLs Windows always takes from the system folder. Loaded
// after RestrictDllSearchToSystemFolder, it comes from the system: through the
// manifest, the side-by-side version 6 that draws themed controls.
//
// The functions the program calls, under the names of comctl32's own; each
// fails as its original does when comctl32 cannot be loaded.
#include <windows.h>
#include <commctrl.h>

namespace CommonControls {
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);
HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow);
int ImageList_AddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF mask);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
}  // namespace CommonControls
