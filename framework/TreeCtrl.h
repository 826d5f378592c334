#pragma once
// CTreeCtrl: borrows a tree-view control (it belongs to its dialog) and sends
// it the tree-view messages by name.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/PathText.h"

class CTreeCtrl {
public:
    CTreeCtrl() = default;
    explicit CTreeCtrl(HWND tree) : m_hWnd(tree) {}

    HIMAGELIST SetImageList(HIMAGELIST images, int which) {
        return reinterpret_cast<HIMAGELIST>(
            SendMessageA(m_hWnd, TVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(images)));
    }
    // An item with text and images, item data 0, no state.
    HTREEITEM InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                         HTREEITEM insertAfter) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = insertAfter;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText = const_cast<char*>(text.c_str());
        insert.item.iImage = image;
        insert.item.iSelectedImage = selectedImage;
        return reinterpret_cast<HTREEITEM>(SendMessageA(m_hWnd, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    // The same with its button decided by `children`: 0 none, 1 a button, or
    // I_CHILDRENCALLBACK for the control to ask (TVN_GETDISPINFO) when it
    // first needs to know, which is when the item is drawn or expanded.
    HTREEITEM InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                         HTREEITEM insertAfter, int children) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = insertAfter;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        insert.item.pszText = const_cast<char*>(text.c_str());
        insert.item.iImage = image;
        insert.item.iSelectedImage = selectedImage;
        insert.item.cChildren = children;
        return reinterpret_cast<HTREEITEM>(SendMessageA(m_hWnd, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    // Sets whether the item shows a button (see InsertItem) and the given state bits.
    BOOL SetItemChildren(HTREEITEM item, int children, UINT state = 0, UINT stateMask = 0) {
        TVITEMA tvItem = {};
        tvItem.mask = TVIF_CHILDREN | (stateMask ? TVIF_STATE : 0);
        tvItem.hItem = item;
        tvItem.cChildren = children;
        tvItem.state = state;
        tvItem.stateMask = stateMask;
        return static_cast<BOOL>(SendMessageA(m_hWnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvItem)));
    }
    BOOL DeleteItem(HTREEITEM item) {
        return static_cast<BOOL>(SendMessageA(m_hWnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(SendMessageA(m_hWnd, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    BOOL SelectItem(HTREEITEM item) {
        return static_cast<BOOL>(SendMessageA(m_hWnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)));
    }
    BOOL Expand(HTREEITEM item, UINT action) {
        return static_cast<BOOL>(SendMessageA(m_hWnd, TVM_EXPAND, action, reinterpret_cast<LPARAM>(item)));
    }
    // The item's text; empty when the item cannot be read. The control copies
    // at most the buffer's size, so a long name is cut, never overrun.
    std::string GetItemText(HTREEITEM item) const {
        char buffer[AnsiPathBufferSize] = {};
        TVITEMA tvItem = {};
        tvItem.mask = TVIF_TEXT;
        tvItem.hItem = item;
        tvItem.pszText = buffer;
        tvItem.cchTextMax = AnsiPathBufferSize;
        if (!SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvItem))) return {};
        // The control may hand back its own text instead of filling the buffer.
        return tvItem.pszText ? std::string(tvItem.pszText) : std::string();
    }
    bool GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
        TVITEMA tvItem = {};
        tvItem.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        tvItem.hItem = item;
        if (!SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvItem))) return false;
        image = tvItem.iImage;
        selectedImage = tvItem.iSelectedImage;
        return true;
    }
    UINT GetItemState(HTREEITEM item, UINT mask) const {
        return static_cast<UINT>(SendMessageA(m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
    }
    // Off while many items change at once, so that the control does not
    // recount and repaint after each one; on again repaints once.
    void SetRedraw(bool redraw) { SendMessageA(m_hWnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0); }
    UINT GetCount() const { return static_cast<UINT>(SendMessageA(m_hWnd, TVM_GETCOUNT, 0, 0)); }

    HWND m_hWnd = nullptr;
};
