#include "DialogDriver.h"


DialogThread::DialogThread(std::function<INT_PTR()> run) : m_run(std::move(run)) {
    m_thread = CreateThread(nullptr, 0, &DialogThread::Main, this, 0, &m_threadId);
}

namespace {
// Posts a click of button `id` (passed as the parameter) to every window of the thread.
BOOL CALLBACK PostButton(HWND window, LPARAM id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(static_cast<int>(id), BN_CLICKED), 0);
    return TRUE;
}
}  // namespace

DialogThread::~DialogThread() {
    if (!m_thread) return;
    // A test that failed half-way leaves its dialogs open: close them so the
    // thread can end before its object goes. A confirmation asked on Cancel
    // is answered OK (leave) after a few rounds.
    for (int round = 0; round < 20 && WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT; ++round) {
        EnumThreadWindows(m_threadId, &PostButton, IDCANCEL);
        EnumThreadWindows(m_threadId, &PostButton, IDNO);
        WaitForSingleObject(m_thread, 100);
        if (round > 1) EnumThreadWindows(m_threadId, &PostButton, IDOK);
    }
    WaitForSingleObject(m_thread, 5000);
    CloseHandle(m_thread);
}

DWORD WINAPI DialogThread::Main(void* param) {
    auto* self = static_cast<DialogThread*>(param);
    self->m_result = self->m_run();
    return 0;
}

bool DialogThread::WaitDone(DWORD milliseconds) { return WaitForSingleObject(m_thread, milliseconds) == WAIT_OBJECT_0; }

std::string Text(HWND window) {
    if (!window) return {};
    char buffer[2048] = {};
    // WM_GETTEXT rather than GetWindowText: another thread's window answers it itself.
    SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

namespace {
struct FindRequest {
    const std::string* title;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
    auto* request = reinterpret_cast<FindRequest*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    if (Text(window) == *request->title) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

bool HasWindow(DWORD threadId, const std::string& title) {
    FindRequest request = {&title, nullptr};
    EnumThreadWindows(threadId, &MatchTitle, reinterpret_cast<LPARAM>(&request));
    return request.found != nullptr;
}

HWND WaitWindow(DWORD threadId, const std::string& title, DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        FindRequest request = {&title, nullptr};
        EnumThreadWindows(threadId, &MatchTitle, reinterpret_cast<LPARAM>(&request));
        if (request.found) return request.found;
        Sleep(20);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

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

void Press(HWND dialog, int id) {
    // Posted, not sent: the button may open a modal dialog of its own.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string MessageBoxText(HWND box) {
    // The message text is the static control with id 0xFFFF.
    return ItemText(box, 0xFFFF);
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
