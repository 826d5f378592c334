#include "DialogDriver.h"

bool StaysOpen(HWND window, DWORD milliseconds) {
    Sleep(milliseconds);
    return IsWindow(window) && IsWindowVisible(window);
}

bool WaitClosed(HWND window, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= milliseconds) return false;
        Sleep(20);
    }
    return true;
}

void Sync(HWND dialog) { SendMessageA(dialog, WM_NULL, 0, 0); }

bool WaitText(HWND dialog, int id, const std::string& expected, DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        if (ItemText(dialog, id) == expected) return true;
        Sleep(20);
    } while (GetTickCount() - start < milliseconds);
    return false;
}

std::vector<HTREEITEM> Children(HWND tree, HTREEITEM parent) {
    std::vector<HTREEITEM> items;
    HTREEITEM item = parent == TVI_ROOT
                         ? reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0))
                         : reinterpret_cast<HTREEITEM>(
                               SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
    while (item) {
        items.push_back(item);
        item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    }
    return items;
}

TreeItemInfo ItemInfo(HWND tree, HTREEITEM item) {
    char buffer[MAX_PATH] = {};
    TVITEMA tvItem = {};
    tvItem.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    tvItem.stateMask = TVIS_EXPANDED;
    tvItem.hItem = item;
    tvItem.pszText = buffer;
    tvItem.cchTextMax = MAX_PATH;
    TreeItemInfo info;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvItem))) return info;
    info.text = tvItem.pszText ? tvItem.pszText : "";
    info.image = tvItem.iImage;
    info.selectedImage = tvItem.iSelectedImage;
    info.expanded = (tvItem.state & TVIS_EXPANDED) != 0;
    return info;
}

std::vector<std::string> ChildTexts(HWND tree, HTREEITEM parent) {
    std::vector<std::string> texts;
    for (HTREEITEM item : Children(tree, parent)) texts.push_back(ItemInfo(tree, item).text);
    return texts;
}

HTREEITEM FindChild(HWND tree, HTREEITEM parent, const std::string& text) {
    for (HTREEITEM item : Children(tree, parent))
        if (ItemInfo(tree, item).text == text) return item;
    return nullptr;
}

bool HasButton(HWND tree, HTREEITEM item) {
    TVITEMA tvItem = {};
    tvItem.mask = TVIF_CHILDREN;
    tvItem.hItem = item;
    tvItem.cChildren = -99;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvItem))) return false;
    return tvItem.cChildren != 0;
}

std::vector<HTREEITEM> ItemsOnScreen(HWND tree) {
    // UpdateWindow sends the pending WM_PAINT to the dialog's thread and
    // returns when it has been handled.
    UpdateWindow(tree);
    std::vector<HTREEITEM> items;
    auto rows = static_cast<int>(SendMessageA(tree, TVM_GETVISIBLECOUNT, 0, 0));
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    for (int row = 0; item && row < rows; ++row) {
        items.push_back(item);
        item = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
    }
    return items;
}

void SelectItem(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void ExpandByKey(HWND tree, HTREEITEM item) {
    SelectItem(tree, item);
    SendMessageA(tree, WM_KEYDOWN, VK_ADD, 0);
}

void CollapseByKey(HWND tree, HTREEITEM item) {
    SelectItem(tree, item);
    SendMessageA(tree, WM_KEYDOWN, VK_SUBTRACT, 0);
}

void TypeChars(HWND edit, const std::string& text) {
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

void PasteText(HWND edit, const std::string& text) {
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}
