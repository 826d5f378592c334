// What the robot does in setup's dialogs, as a person would, and waits for:
// selecting, pressing, keys, typing and pasting, the focus, a dialog closed or
// staying, a text shown, and the copy held part-way.
#include "Robot.h"

#include <tlhelp32.h>

#include <algorithm>

#include <commctrl.h>

#include "RobotWindows.h"

using namespace robot_windows;

namespace {
std::string KeyName(WORD vk) {
    switch (vk) {
    case VK_RETURN: return "RETURN";
    case VK_ESCAPE: return "ESCAPE";
    case VK_TAB: return "TAB";
    case VK_SPACE: return "SPACE";
    case VK_UP: return "UP";
    case VK_DOWN: return "DOWN";
    case VK_LEFT: return "LEFT";
    case VK_RIGHT: return "RIGHT";
    default: return std::to_string(vk);
    }
}

LPARAM KeyData(WORD vk, bool up) {
    UINT scan = MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */);
    LPARAM data = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_INSERT: case VK_DELETE:
        data |= 1 << 24;  // extended key
        break;
    default: break;
    }
    if (up) data |= (1 << 30) | (1u << 31);
    return data;
}
}  // namespace

bool Robot::Select(HWND w) {
    if (!m_returned.count(w) || !IsWindow(w) || !IsWindowVisible(w)) {
        Log("select: \"" + Escaped(TextOf(w)) + "\" is not an open dialog seen before");
        return false;
    }
    Log("select \"" + Escaped(TextOf(w)) + "\"");
    m_dialogs.erase(std::remove(m_dialogs.begin(), m_dialogs.end(), w), m_dialogs.end());
    m_dialogs.push_back(w);
    return true;
}

HWND Robot::ControlOf(int id) {
    HWND dialog = CurrentDialog();
    if (!dialog) {
        Log("  (no current dialog)");
        return nullptr;
    }
    HWND control = GetDlgItem(dialog, id);
    if (!control) Log("  (no control " + std::to_string(id) + " in \"" + Escaped(TextOf(dialog)) + "\")");
    return control;
}

void Robot::Press(int id) {
    Log("press " + std::to_string(id));
    // Posted, not sent: the click may open another modal dialog, and the
    // robot must not wait inside the button's handler for that dialog to end.
    HWND dialog = CurrentDialog();
    HWND button = ControlOf(id);
    // Nobody can click into a window that a modal one has disabled, nor a disabled button.
    if (button && !(IsWindowEnabled(dialog) && IsWindowEnabled(button) && IsWindowVisible(button)))
        Log("  (not pressed: the button or its dialog is disabled or hidden)");
    else if (button)
        PostMessageA(button, BM_CLICK, 0, 0);
    if (dialog) m_actedOn.insert(dialog);
}

void Robot::Key(WORD vk) {
    Log("key " + KeyName(vk));
    HWND dialog = CurrentDialog();
    if (!dialog) {
        Log("  (no current dialog)");
        return;
    }
    if (!IsWindowEnabled(dialog)) {
        Log("  (not sent: the dialog is disabled)");
        return;
    }
    // Posted to the focused control, so that the dialog's modal loop takes the
    // key through IsDialogMessage, as it takes a key from the keyboard.
    HWND target = FocusOf(dialog);
    if (!target) target = dialog;
    PostMessageA(target, WM_KEYDOWN, vk, KeyData(vk, false));
    PostMessageA(target, WM_KEYUP, vk, KeyData(vk, true));
    m_actedOn.insert(dialog);
}

HWND Robot::FocusOf(HWND dialog) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui) && gui.hwndFocus &&
        (gui.hwndFocus == dialog || IsChild(dialog, gui.hwndFocus)))
        return gui.hwndFocus;
    return nullptr;
}

bool Robot::WaitFocus(int id) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND dialog = CurrentDialog();
        HWND focus = dialog ? FocusOf(dialog) : nullptr;
        if (focus && GetDlgCtrlID(focus) == id) return true;
        if (GetTickCount() - start >= m_timeoutMs) {
            Log("timeout: the focus is not on control " + std::to_string(id) +
                (focus ? " but on " + std::to_string(GetDlgCtrlID(focus)) : ""));
            return false;
        }
        Sleep(kPollMs);
    }
}

void Robot::Type(int id, const std::string& text) {
    Log("type " + std::to_string(id) + " \"" + Escaped(text) + "\"");
    HWND control = ControlOf(id);
    if (!control) return;
    // Sent one by one: typing opens no dialog, and the text is in place when this returns.
    for (char c : text) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(control, WM_CHAR, static_cast<unsigned char>(c), 1, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                            &result);
    }
}

void Robot::Paste(int id, const std::string& text) {
    Log("paste " + std::to_string(id) + " \"" + Escaped(text) + "\"");
    HWND control = ControlOf(id);
    if (!control) return;
    // The clipboard needs an owner window, or SetClipboardData fails.
    HWND owner = CreateWindowA("STATIC", "robot clipboard", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    bool placed = false;
    for (int attempt = 0; attempt < 50 && !placed; ++attempt) {
        if (!OpenClipboard(owner)) {
            Sleep(kPollMs);
            continue;
        }
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        if (memory) {
            char* data = static_cast<char*>(GlobalLock(memory));
            std::copy(text.begin(), text.end(), data);
            data[text.size()] = '\0';
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_TEXT, memory) != nullptr;
            if (!placed) GlobalFree(memory);
        }
        CloseClipboard();
    }
    if (!placed) Log("  (clipboard not available)");
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, WM_PASTE, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    if (owner) DestroyWindow(owner);
}

bool Robot::WaitClosed(HWND w) {
    DWORD start = GetTickCount();
    while (IsActive(w)) {
        if (GetTickCount() - start >= m_timeoutMs) {
            Log("timeout: \"" + Escaped(TextOf(w)) + "\" still open after " + std::to_string(m_timeoutMs) + " ms");
            return false;
        }
        Sleep(kPollMs);
    }
    Log("closed");
    return true;
}

bool Robot::StaysOpen(HWND w, DWORD ms) {
    DWORD start = GetTickCount();
    do {
        if (!IsActive(w)) {
            Log("closed within " + std::to_string(ms) + " ms");
            return false;
        }
        Sleep(kPollMs);
    } while (GetTickCount() - start < ms);
    bool open = IsActive(w);
    Log(open ? "stays open for " + std::to_string(ms) + " ms" : "closed within " + std::to_string(ms) + " ms");
    return open;
}

bool Robot::WaitText(int id, const std::string& text) {
    DWORD start = GetTickCount();
    std::string seen;
    for (;;) {
        HWND control = nullptr;
        if (HWND dialog = CurrentDialog()) control = GetDlgItem(dialog, id);
        seen = control ? TextOf(control) : std::string();
        if (seen == text) return true;
        if (GetTickCount() - start >= m_timeoutMs) break;
        Sleep(kPollMs);
    }
    Log("timeout: control " + std::to_string(id) + " shows \"" + Escaped(seen) + "\", not \"" + Escaped(text) + "\"");
    return false;
}

int Robot::DefaultButton() {
    HWND dialog = CurrentDialog();
    if (!dialog) return IDOK;
    auto usable = [](HWND button) { return button && IsWindowVisible(button) && IsWindowEnabled(button); };
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) &&
        HIWORD(result) == DC_HASDEFID && usable(GetDlgItem(dialog, LOWORD(result))))
        return LOWORD(result);
    // A message box may mark its default button by style alone (Wine's does).
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == "Button" && (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
            usable(child))
            return GetDlgCtrlID(child);
    return IDOK;
}

namespace {
// Whether the bar stands strictly between its ends; false when it does not answer.
bool BarPartWay(HWND bar) {
    DWORD_PTR position = 0, low = 0, high = 0;
    return SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 200, &position) &&
           SendMessageTimeoutA(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 200, &low) &&
           SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 200, &high) &&
           static_cast<int>(low) < static_cast<int>(position) && static_cast<int>(position) < static_cast<int>(high);
}

// Suspends every thread of the process but one; the handles to resume.
std::vector<HANDLE> SuspendAllBut(DWORD processId, DWORD spared) {
    std::vector<HANDLE> held;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return held;
    THREADENTRY32 entry = {sizeof entry};
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId || entry.th32ThreadID == spared) continue;
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        if (SuspendThread(thread) == static_cast<DWORD>(-1)) CloseHandle(thread);
        else held.push_back(thread);
    }
    CloseHandle(snapshot);
    return held;
}

void ResumeAll(std::vector<HANDLE>& held) {
    for (HANDLE thread : held) {
        ResumeThread(thread);
        CloseHandle(thread);
    }
    held.clear();
}
}  // namespace

bool Robot::HoldPartWay(int barId, const std::function<void()>& whileHeld) {
    // The dialog shows the copy's latest on a timer of its own (50 ms): what
    // the copy did in a slice is on the bar after this.
    constexpr DWORD kShownMs = 120, kSliceMs = 10, kMostMs = 120000;
    HWND dialog = CurrentDialog();
    HWND bar = ControlOf(barId);
    if (!dialog || !bar) return false;
    m_actedOn.insert(dialog);
    const DWORD dialogThread = GetWindowThreadProcessId(dialog, nullptr);
    DWORD start = GetTickCount();
    while (IsWindow(dialog) && GetTickCount() - start < kMostMs) {
        std::vector<HANDLE> held = SuspendAllBut(m_processId, dialogThread);
        Sleep(kShownMs);
        if (BarPartWay(bar)) {
            Log("the copy held with the bar at " + BarOf(bar));
            whileHeld();
            ResumeAll(held);
            return true;
        }
        ResumeAll(held);
        Sleep(kSliceMs);
    }
    Log("the progress bar was never seen part-way");
    return false;
}
