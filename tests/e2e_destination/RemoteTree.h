#pragma once
// Reads and moves in a tree-view control of another process (setup.exe), as
// the robot reads only texts of controls: item texts and images are fetched
// through a buffer in that process, selection and keys are sent directly.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

struct RemoteItem {
    HTREEITEM handle = nullptr;
    std::string text;
    int image = -1;
    int selectedImage = -1;
    bool expanded = false;
    bool hasButton = false;  // asks setup, as drawing would, where it is not yet known
};

class RemoteTree {
public:
    RemoteTree(DWORD processId, HWND tree);
    ~RemoteTree();
    RemoteTree(const RemoteTree&) = delete;
    RemoteTree& operator=(const RemoteTree&) = delete;

    bool Ready() const { return m_buffer != nullptr; }
    std::vector<RemoteItem> Children(HTREEITEM parent);  // TVI_ROOT for the drives
    RemoteItem Find(HTREEITEM parent, const std::string& text);
    HTREEITEM Selected();
    void Select(HTREEITEM item);
    // Selects the item and expands (+) or collapses (-) it with the keyboard.
    void Expand(HTREEITEM item);
    void Collapse(HTREEITEM item);

private:
    RemoteItem Read(HTREEITEM item);
    HWND m_tree;
    HANDLE m_process = nullptr;
    char* m_buffer = nullptr;  // in the other process
};
