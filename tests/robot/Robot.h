#pragma once
// The UI robot: starts setup.exe in a medium folder and drives its dialogs
// and message boxes from another process, as a person would, recording
// everything it sees and does in a transcript.
//
// All dialogs and message boxes of setup are windows of class #32770; a
// message box carries its text in the static control 65535 (0xFFFF).

#include <windows.h>

#include <functional>
#include <optional>
#include <utility>
#include <set>
#include <string>
#include <vector>

struct ControlInfo {
    int id;
    std::string className;
    std::string text;
    DWORD style;
    bool enabled;
    bool visible;
};

struct WindowInfo {
    HWND hwnd;
    DWORD threadId;
    std::string title;
    std::string className;
    DWORD style;
    DWORD exStyle;
    RECT rect;          // window rectangle, screen coordinates
    RECT clientScreen;  // client rectangle, screen coordinates
    std::vector<ControlInfo> controls;  // direct children, in their z-order (a dialog's tab order)

    const ControlInfo* Control(int id) const;
    std::string Text(int id) const;  // the control's text ("position/range" of a progress bar), empty when there is no such control
};

class Robot {
public:
    // exePath and workDir are Windows paths; every wait gives up after timeoutMs.
    Robot(std::string exePath, std::string workDir, DWORD timeoutMs = 10000);
    // Ends setup.exe (and whatever it started) if it is still running.
    ~Robot();
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;

    // Starts setup.exe with workDir as its current directory.
    bool Start();
    // From now on Start runs this whole command line instead, as the system
    // runs a registered command: the program is its first word, unquoted.
    void SetCommandLine(std::string commandLine) { m_commandLine = std::move(commandLine); }

    // The next dialog or message box of the process, not returned before,
    // that is visible and enabled (the active modal one); the topmost when
    // there are several. It becomes the current dialog.
    std::optional<WindowInfo> WaitDialog();
    // The next dialog in front: a new one as WaitDialog, or one returned
    // before that the robot has not pressed or keyed in since it was last
    // active (left untouched, or active again after a message box over it
    // has closed). For walking a run generically.
    std::optional<WindowInfo> WaitFront();

    // Actions on the current dialog: the last one WaitDialog returned, or,
    // once that one has gone, the latest earlier one that is enabled again.
    // As for a person, a disabled dialog or button takes no click or key.
    void Press(int id);
    // Posted to the control that has the focus now; a key that moves the
    // focus (Tab) takes effect later, so wait with WaitFocus before the next key.
    void Key(WORD vk);
    // WM_CHAR per character, in place when this returns.
    void Type(int id, const std::string& text);
    // Through the clipboard and WM_PASTE.
    void Paste(int id, const std::string& text);

    // Until w is destroyed, hidden or disabled (it opened another modal window); false on timeout.
    bool WaitClosed(HWND w);
    // True if w is still there and enabled after ms.
    bool StaysOpen(HWND w, DWORD ms);
    // Any top-level window of the process, e.g. the backdrop "Setup".
    std::optional<WindowInfo> FindWindowByTitle(const std::string& title);
    // The whole screen into SnapsDir()\fileName (.png or .ppm), taken by the
    // watcher of tools/wine-run.sh; true once the picture is there.
    bool Screenshot(const std::string& fileName);
    // Holds the copy with the progress bar `barId` of the current dialog
    // part-way, whatever the disk's speed: setup's threads but the dialog's
    // own run in short slices until the dialog shows the bar strictly between
    // its ends, and stay suspended while `whileHeld` runs (a screenshot).
    // False when the dialog ended first.
    bool HoldPartWay(int barId, const std::function<void()>& whileHeld);
    // The exit code, or -1 after the timeout (setup is then ended).
    int WaitExit();
    // Watches the process until it ends (or the timeout) and returns every
    // top-level window of it that was visible meanwhile, as "title (class)",
    // each once; for a run that must show nothing. Then WaitExit.
    std::vector<std::string> WindowsShownUntilExit();
    // Every dialog seen with its controls, every action, the exit code.
    const std::string& Transcript() const { return m_transcript; }

    // Reads a window of the process again (its texts may have changed).
    std::optional<WindowInfo> Read(HWND w);
    // Waits until control id of the current dialog has the focus; false on timeout.
    bool WaitFocus(int id);
    // Waits until control id of the current dialog shows text; false on timeout.
    bool WaitText(int id, const std::string& text);
    // The default button of the current dialog (DM_GETDEFID), IDOK when it has none.
    int DefaultButton();
    // The current dialog as it is now, if it still exists.
    std::optional<WindowInfo> Current();
    // Makes a dialog returned before the current one again, as a person turns
    // to another window that is open at the same time (the progress dialog
    // while a question of the copy stands open); false when it has gone.
    bool Select(HWND w);
    // Where Screenshot asks for pictures and where they appear (a Windows path).
    const std::string& SnapsDir() const { return m_snapsDir; }
    void SetSnapsDir(std::string dir) { m_snapsDir = std::move(dir); }
    DWORD ProcessId() const { return m_processId; }
    bool Running() const;
    // A free-form line in the transcript (scenario notes).
    void Note(const std::string& line);

private:
    HWND CurrentDialog();
    HWND ControlOf(int id);
    static HWND FocusOf(HWND dialog);
    void Log(const std::string& line);
    std::optional<WindowInfo> NextDialog(bool again);
    void LogWindow(const WindowInfo& info, bool again);

    std::string m_exePath;
    std::string m_workDir;
    std::string m_commandLine;
    DWORD m_timeoutMs;
    HANDLE m_process = nullptr;
    HANDLE m_job = nullptr;
    DWORD m_processId = 0;
    int m_exitCode = -1;
    bool m_exited = false;
    std::set<HWND> m_returned;       // every dialog WaitDialog has returned
    std::vector<HWND> m_dialogs;     // the same, the latest returned last
    std::set<HWND> m_actedOn;        // pressed or keyed in, and active ever since
    std::string m_transcript;
    std::string m_snapsDir;
    int m_dialogCount = 0;
};
