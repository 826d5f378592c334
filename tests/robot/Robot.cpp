#include "Robot.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "RobotWindows.h"

using namespace robot_windows;

namespace {
const char kDialogClass[] = "#32770";

std::string Hex(DWORD value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lx", static_cast<unsigned long>(value));
    return buffer;
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

namespace robot_windows {
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

std::string ClassOf(HWND w) {
    char name[256] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

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

std::string BarOf(HWND w) {
    DWORD_PTR position = 0, range = 0;
    SendMessageTimeoutA(w, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &position);
    SendMessageTimeoutA(w, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &range);
    return std::to_string(position) + "/" + std::to_string(range);
}

bool IsActive(HWND w) { return IsWindow(w) && IsWindowVisible(w) && IsWindowEnabled(w); }
}  // namespace robot_windows

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

std::optional<WindowInfo> Robot::FindWindowByTitle(const std::string& title) {
    for (HWND w : ProcessWindows(m_processId))
        if (TextOf(w) == title) return Read(w);
    Log("no window titled \"" + Escaped(title) + "\"");
    return std::nullopt;
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
