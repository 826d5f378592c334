#pragma once
// Runs a dialog of setup on a thread of its own and drives it from the test's
// thread by control ids, as a user would: buttons are pressed by posting their
// click, keys and characters go to the control, the tree is read item by item.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

class DialogThread {
public:
    explicit DialogThread(std::function<INT_PTR()> run);
    ~DialogThread();
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    DWORD ThreadId() const { return m_threadId; }
    // True when the dialog's run has returned within the time.
    bool WaitDone(DWORD milliseconds = 5000);
    INT_PTR Result() const { return m_result; }

private:
    static DWORD WINAPI Main(void* self);
    std::function<INT_PTR()> m_run;
    INT_PTR m_result = -2;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
};

// The visible dialog or message box of the thread with this title; null after the time.
HWND WaitWindow(DWORD threadId, const std::string& title, DWORD milliseconds = 5000);
// Whether a visible window of the thread has this title now.
bool HasWindow(DWORD threadId, const std::string& title);
// True when the window is still there after the time.
bool StaysOpen(HWND window, DWORD milliseconds = 300);
// Waits until the window is gone; false after the time.
bool WaitClosed(HWND window, DWORD milliseconds = 5000);
// Returns once the dialog's thread has handled everything before it: a
// message sent to it is answered only when its handlers have returned.
void Sync(HWND dialog);
// Waits until the control's text equals `expected`; false after the time.
bool WaitText(HWND dialog, int id, const std::string& expected, DWORD milliseconds = 5000);

void Press(HWND dialog, int id);
std::string Text(HWND window);
std::string ItemText(HWND dialog, int id);
// The text of a message box (its static text control).
std::string MessageBoxText(HWND box);

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
// Selects the item and expands or collapses it with the keyboard (+ and -),
// which is how a user's expansion reaches the dialog.
void SelectItem(HWND tree, HTREEITEM item);
void ExpandByKey(HWND tree, HTREEITEM item);
void CollapseByKey(HWND tree, HTREEITEM item);

// Characters typed into an edit box one by one, and text pasted in one piece.
void TypeChars(HWND edit, const std::string& text);
void PasteText(HWND edit, const std::string& text);
