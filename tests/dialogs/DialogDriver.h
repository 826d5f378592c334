#pragma once
// Drives a dialog of setup (run on a DialogThread) from the test's thread as a
// user would: keys and characters go to the control, the tree is read item by item.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "TestWindows.h"

// True when the window is still there after the time.
bool StaysOpen(HWND window, DWORD milliseconds = 300);
// Waits until the window is gone; false after the time.
bool WaitClosed(HWND window, DWORD milliseconds = 5000);
// Returns once the dialog's thread has handled everything before it: a
// message sent to it is answered only when its handlers have returned.
void Sync(HWND dialog);
// Waits until the control's text equals `expected`; false after the time.
bool WaitText(HWND dialog, int id, const std::string& expected, DWORD milliseconds = 5000);

// Tree access, on the dialog's thread through SendMessage.
struct TreeItemInfo {
    std::string text;
    int image = -1;
    int selectedImage = -1;
    bool expanded = false;
};
std::vector<HTREEITEM> Children(HWND tree, HTREEITEM parent);  // TVI_ROOT for the drives
TreeItemInfo ItemInfo(HWND tree, HTREEITEM item);
std::vector<std::string> ChildTexts(HWND tree, HTREEITEM parent);
HTREEITEM FindChild(HWND tree, HTREEITEM parent, const std::string& text);
// Whether the item shows an expand button. For an item whose button the
// control has not yet learnt, this asks the dialog as drawing would.
bool HasButton(HWND tree, HTREEITEM item);
// The items on screen, top to bottom, once the tree has painted what is due.
std::vector<HTREEITEM> ItemsOnScreen(HWND tree);
// Selects the item and expands or collapses it with the keyboard (+ and -),
// which is how a user's expansion reaches the dialog.
void SelectItem(HWND tree, HTREEITEM item);
void ExpandByKey(HWND tree, HTREEITEM item);
void CollapseByKey(HWND tree, HTREEITEM item);

// Characters typed into an edit box one by one, and text pasted in one piece.
void TypeChars(HWND edit, const std::string& text);
void PasteText(HWND edit, const std::string& text);
