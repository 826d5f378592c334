#include "Robot.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr DWORD kPollMs = 20;
// A window of setup that does not answer within this time is read from the
// window manager's own copy of its text instead.
constexpr UINT kMessageTimeoutMs = 2000;
const char kDialogClass[] = "#32770";

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                out += hex;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string Hex(DWORD value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lx", static_cast<unsigned long>(value));
    return buffer;
}

std::string ClassOf(HWND w) {
    char name[256] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

// The text as the window itself reports it (WM_GETTEXT is carried across
// processes by the system), so that an edit box shows what was typed; the
// window manager's copy when the window does not answer in time.
std::string TextOf(HWND w) {
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length)) {
        std::string text(length + 1, '\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutA(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                                kMessageTimeoutMs, &copied)) {
            text.resize(std::min<size_t>(copied, length));
            return text;
        }
    }
    char buffer[4096] = {};
    GetWindowTextA(w, buffer, sizeof buffer);
    return buffer;
}

// A progress bar has no text: its position and range stand in for it, as
// "position/range" (both plain numbers, carried across processes).
std::string BarOf(HWND w) {
    DWORD_PTR position = 0, range = 0;
    SendMessageTimeoutA(w, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &position);
    SendMessageTimeoutA(w, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &range);
    return std::to_string(position) + "/" + std::to_string(range);
}

struct EnumState {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectProcessWindow(HWND w, LPARAM param) {
    auto* state = reinterpret_cast<EnumState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == state->processId) state->windows.push_back(w);
    return TRUE;
}

// Top-level windows of the process, topmost first (EnumWindows goes down the z-order).
std::vector<HWND> ProcessWindows(DWORD processId) {
    EnumState state{processId, {}};
    if (processId) EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&state));
    return state.windows;
}

bool IsActive(HWND w) { return IsWindow(w) && IsWindowVisible(w) && IsWindowEnabled(w); }

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

std::string DefaultSnapsDir() {
    // The build tree that tools/wine-run.sh watches; a Linux path becomes Z: plus the path.
    if (const char* build = std::getenv("BUILD_DIR"); build && *build) {
        std::string dir = build;
        if (dir[0] == '/') {
            std::replace(dir.begin(), dir.end(), '/', '\\');
            dir = "Z:" + dir;
        }
        // A test run side by side with others has a display of its own, and
        // its own watcher (tools/env.sh).
        const char* slot = std::getenv("SETUP_SLOT");
        bool ownSlot = slot && *slot && std::string(slot) != "0";
        return dir + "\\snaps" + (ownSlot ? "-slot" + std::string(slot) : std::string());
    }
#ifdef ROBOT_BUILD_DIR
    return std::string(ROBOT_BUILD_DIR) + "\\snaps";
#else
    return "snaps";
#endif
}
}  // namespace

const ControlInfo* WindowInfo::Control(int id) const {
    for (const ControlInfo& control : controls)
        if (control.id == id) return &control;
    return nullptr;
}

std::string WindowInfo::Text(int id) const {
    const ControlInfo* control = Control(id);
    return control ? control->text : std::string();
}

Robot::Robot(std::string exePath, std::string workDir, DWORD timeoutMs)
    : m_exePath(std::move(exePath)), m_workDir(std::move(workDir)), m_timeoutMs(timeoutMs),
      m_snapsDir(DefaultSnapsDir()) {}

Robot::~Robot() {
    if (m_process) {
        if (Running()) {
            Log("robot ends: setup still running, terminated");
            if (m_job) TerminateJobObject(m_job, 99);
            TerminateProcess(m_process, 99);
            WaitForSingleObject(m_process, 5000);
        }
        CloseHandle(m_process);
    }
    // Closing the job kills whatever setup started and left behind.
    if (m_job) CloseHandle(m_job);
}

void Robot::Log(const std::string& line) {
    m_transcript += line;
    m_transcript += '\n';
}

void Robot::Note(const std::string& line) { Log("# " + line); }

bool Robot::Running() const { return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

bool Robot::Start() {
    Log("start " + (m_commandLine.empty() ? m_exePath : m_commandLine) + " in " + m_workDir);
    // The desktop is there before setup: Wine starts the process that keeps
    // the desktop (explorer.exe) from the first program of a session that
    // asks for it. Started from setup, it would join setup's job below and
    // end when the job is closed, while the desktop stayed behind without it:
    // the next program of the session would take the dead process's X window
    // for its cursor clipping and be ended by the X error on its first
    // release (exit code 0, as if it had ended well). Asked for here, the
    // desktop's process belongs to the robot's own side.
    GetDesktopWindow();
    // A job that dies with the robot: a test that crashes leaves no setup behind.
    m_job = CreateJobObjectA(nullptr, nullptr);
    if (m_job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    std::string commandLine = m_commandLine.empty() ? "\"" + m_exePath + "\"" : m_commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(m_commandLine.empty() ? m_exePath.c_str() : nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        m_workDir.c_str(), &startup, &info)) {
        Log("start failed: error " + std::to_string(GetLastError()));
        return false;
    }
    if (m_job) AssignProcessToJobObject(m_job, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_processId = info.dwProcessId;
    return true;
}

std::optional<WindowInfo> Robot::Read(HWND w) {
    if (!IsWindow(w)) return std::nullopt;
    WindowInfo info{};
    info.hwnd = w;
    info.threadId = GetWindowThreadProcessId(w, nullptr);
    info.title = TextOf(w);
    info.className = ClassOf(w);
    info.style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
    info.exStyle = static_cast<DWORD>(GetWindowLongA(w, GWL_EXSTYLE));
    GetWindowRect(w, &info.rect);
    GetClientRect(w, &info.clientScreen);
    MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&info.clientScreen), 2);
    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ControlInfo control{};
        control.id = GetDlgCtrlID(child);
        control.className = ClassOf(child);
        control.text = control.className == "msctls_progress32" ? BarOf(child) : TextOf(child);
        control.style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        control.enabled = IsWindowEnabled(child) != FALSE;
        control.visible = IsWindowVisible(child) != FALSE;
        info.controls.push_back(std::move(control));
    }
    // A window that closed while it was being read (a progress dialog at the
    // end of a quick copy) gives empty texts: it is not there any more.
    if (!IsWindow(w)) return std::nullopt;
    return info;
}

void Robot::LogWindow(const WindowInfo& info, bool again) {
    Log("dialog " + std::to_string(m_dialogCount) + (again ? " (in front again)" : "") + ": \"" +
        Escaped(info.title) + "\" " + info.className + " style " + Hex(info.style));
    for (const ControlInfo& control : info.controls) {
        std::string line = "  " + std::to_string(control.id) + " " + control.className + " \"" +
                           Escaped(control.text) + "\"";
        if (!control.visible) line += " hidden";
        if (!control.enabled) line += " disabled";
        Log(line);
    }
}

std::optional<WindowInfo> Robot::WaitDialog() { return NextDialog(false); }

std::optional<WindowInfo> Robot::WaitFront() { return NextDialog(true); }

std::optional<WindowInfo> Robot::NextDialog(bool again) {
    DWORD start = GetTickCount();
    for (;;) {
        // A dialog acted on is due again once it has closed, or once a modal
        // window over it has disabled it (it is then in front again when that one closes).
        for (auto it = m_actedOn.begin(); it != m_actedOn.end();)
            it = IsActive(*it) ? std::next(it) : m_actedOn.erase(it);
        for (HWND w : ProcessWindows(m_processId)) {
            if (ClassOf(w) != kDialogClass || !IsActive(w)) continue;
            const bool seen = m_returned.count(w) != 0;
            if (seen && (!again || m_actedOn.count(w))) continue;
            std::optional<WindowInfo> info = Read(w);
            if (!info) continue;
            m_returned.insert(w);
            m_dialogs.erase(std::remove(m_dialogs.begin(), m_dialogs.end(), w), m_dialogs.end());
            m_dialogs.push_back(w);
            ++m_dialogCount;
            LogWindow(*info, seen);
            return info;
        }
        if (!Running()) {
            DWORD code = 0;
            if (m_process) GetExitCodeProcess(m_process, &code);
            Log("no new dialog: setup has ended with exit code " + std::to_string(code));
            return std::nullopt;
        }
        if (GetTickCount() - start >= m_timeoutMs) break;
        Sleep(kPollMs);
    }
    Log("timeout: no new dialog after " + std::to_string(m_timeoutMs) + " ms; windows of setup:");
    for (HWND w : ProcessWindows(m_processId)) {
        Log("  \"" + Escaped(TextOf(w)) + "\" " + ClassOf(w) + (IsWindowVisible(w) ? " visible" : " hidden") +
            (IsWindowEnabled(w) ? " enabled" : " disabled") + (m_returned.count(w) ? " seen" : ""));
    }
    return std::nullopt;
}

HWND Robot::CurrentDialog() {
    if (!m_dialogs.empty()) {
        HWND last = m_dialogs.back();
        if (IsWindow(last) && IsWindowVisible(last)) return last;
    }
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it)
        if (IsActive(*it)) return *it;
    return nullptr;
}

std::optional<WindowInfo> Robot::Current() {
    HWND dialog = CurrentDialog();
    return dialog ? Read(dialog) : std::nullopt;
}

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

std::optional<WindowInfo> Robot::FindWindowByTitle(const std::string& title) {
    for (HWND w : ProcessWindows(m_processId))
        if (TextOf(w) == title) return Read(w);
    Log("no window titled \"" + Escaped(title) + "\"");
    return std::nullopt;
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

bool Robot::Screenshot(const std::string& fileName) {
    Log("screenshot " + fileName);
    CreateDirectoryA(m_snapsDir.c_str(), nullptr);
    std::string picture = m_snapsDir + "\\" + fileName;
    std::string request = picture + ".req";
    std::string pending = picture + ".tmp";
    DeleteFileA(picture.c_str());
    // Written aside and renamed, so that the watcher never reads half a request.
    HANDLE file = CreateFileA(pending.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Log("  (cannot write " + pending + ")");
        return false;
    }
    DWORD written = 0;
    WriteFile(file, fileName.data(), static_cast<DWORD>(fileName.size()), &written, nullptr);
    CloseHandle(file);
    if (!MoveFileExA(pending.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        Log("  (cannot place " + request + ")");
        return false;
    }
    // The watcher removes the request once the picture is complete.
    DWORD start = GetTickCount();
    while (GetFileAttributesA(request.c_str()) != INVALID_FILE_ATTRIBUTES ||
           GetFileAttributesA(picture.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start >= m_timeoutMs) {
            Log("timeout: no screenshot " + picture + " (is tools/wine-run.sh watching " + m_snapsDir + "?)");
            DeleteFileA(request.c_str());
            return false;
        }
        Sleep(kPollMs);
    }
    return true;
}

std::vector<std::string> Robot::WindowsShownUntilExit() {
    std::vector<std::string> shown;
    std::set<HWND> seen;
    DWORD start = GetTickCount();
    // A window that needs an answer (a message box, a dialog) stays until
    // the end: the poll cannot miss it.
    while (Running() && GetTickCount() - start < m_timeoutMs) {
        for (HWND w : ProcessWindows(m_processId)) {
            if (!IsWindowVisible(w) || !seen.insert(w).second) continue;
            shown.push_back(TextOf(w) + " (" + ClassOf(w) + ")");
            Log("window shown: " + Escaped(shown.back()));
        }
        Sleep(kPollMs);
    }
    WaitExit();
    return shown;
}

int Robot::WaitExit() {
    if (m_exited) return m_exitCode;
    if (!m_process) {
        Log("exit: setup was not started");
        return -1;
    }
    if (WaitForSingleObject(m_process, m_timeoutMs) != WAIT_OBJECT_0) {
        Log("timeout: setup still running after " + std::to_string(m_timeoutMs) + " ms; terminated");
        if (m_job) TerminateJobObject(m_job, 99);
        TerminateProcess(m_process, 99);
        WaitForSingleObject(m_process, 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    m_exitCode = static_cast<int>(code);
    m_exited = true;
    Log("exit code " + std::to_string(m_exitCode));
    return m_exitCode;
}
