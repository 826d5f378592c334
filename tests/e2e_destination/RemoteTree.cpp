#include "RemoteTree.h"

namespace {
constexpr size_t kTextSize = MAX_PATH;
}

RemoteTree::RemoteTree(DWORD processId, HWND tree) : m_tree(tree) {
    m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (m_process)
        m_buffer = static_cast<char*>(
            VirtualAllocEx(m_process, nullptr, sizeof(TVITEMA) + kTextSize, MEM_COMMIT, PAGE_READWRITE));
}

RemoteTree::~RemoteTree() {
    if (m_buffer) VirtualFreeEx(m_process, m_buffer, 0, MEM_RELEASE);
    if (m_process) CloseHandle(m_process);
}

RemoteItem RemoteTree::Read(HTREEITEM item) {
    RemoteItem result;
    result.handle = item;
    TVITEMA tvItem = {};
    tvItem.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN;
    tvItem.stateMask = TVIS_EXPANDED;
    tvItem.hItem = item;
    tvItem.pszText = m_buffer + sizeof(TVITEMA);
    tvItem.cchTextMax = kTextSize;
    SIZE_T done = 0;
    char empty = '\0';
    WriteProcessMemory(m_process, m_buffer, &tvItem, sizeof tvItem, &done);
    WriteProcessMemory(m_process, m_buffer + sizeof(TVITEMA), &empty, 1, &done);
    if (!SendMessageA(m_tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(m_buffer))) return result;
    ReadProcessMemory(m_process, m_buffer, &tvItem, sizeof tvItem, &done);
    char text[kTextSize + 1] = {};
    if (tvItem.pszText) ReadProcessMemory(m_process, tvItem.pszText, text, kTextSize, &done);
    result.text = text;
    result.image = tvItem.iImage;
    result.selectedImage = tvItem.iSelectedImage;
    result.expanded = (tvItem.state & TVIS_EXPANDED) != 0;
    result.hasButton = tvItem.cChildren != 0;
    return result;
}

std::vector<RemoteItem> RemoteTree::Children(HTREEITEM parent) {
    std::vector<RemoteItem> items;
    HTREEITEM item = parent == TVI_ROOT
                         ? reinterpret_cast<HTREEITEM>(SendMessageA(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0))
                         : reinterpret_cast<HTREEITEM>(
                               SendMessageA(m_tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     SendMessageA(m_tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
        items.push_back(Read(item));
    return items;
}

RemoteItem RemoteTree::Find(HTREEITEM parent, const std::string& text) {
    for (const RemoteItem& item : Children(parent))
        if (item.text == text) return item;
    return {};
}

HTREEITEM RemoteTree::Selected() {
    return reinterpret_cast<HTREEITEM>(SendMessageA(m_tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void RemoteTree::Select(HTREEITEM item) {
    SendMessageA(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void RemoteTree::Expand(HTREEITEM item) {
    Select(item);
    SendMessageA(m_tree, WM_KEYDOWN, VK_ADD, 0);
}

void RemoteTree::Collapse(HTREEITEM item) {
    Select(item);
    SendMessageA(m_tree, WM_KEYDOWN, VK_SUBTRACT, 0);
}
