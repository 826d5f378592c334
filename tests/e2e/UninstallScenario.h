#pragma once
// Removing the book again: setup installs, then the command it registered is
// run as the system runs it (by CreateProcess, its first word the program)
// and the robot answers the uninstaller's message boxes. And unattended
// installs, as an administrator's script or the system's package tools run
// them: setup.exe with /S (and /D=, /LOG=) shows no window and tells its
// result by its exit code and its log.
#include <windows.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "InstallScenario.h"

inline const std::string kNoEntryText =
    "The information needed to remove this program cannot be found. Nothing has been removed.";

// A message box of the uninstaller as a person sees it: icon, buttons, caption and text.
std::string DescribeBox(Robot& robot, const WindowInfo& box);

// The product's stored record replaced by the one the older setup would have
// written: each file's size and time, the shortcut by its name, the
// uninstaller neither recorded nor counted.
void RewriteAsOlderRecord(const std::string& product);

struct UninstallRun {
    std::vector<std::string> boxes;
    int exitCode = -1;
};

class UninstallScenario : public InstallScenario {
protected:
    // Installs the sample as a person does (Yes To All for a file there already).
    void Install() {
        ASSERT_TRUE(StartInstall());
        Walk walk = WalkAnswering({});
        ASSERT_EQ(walk.dialogs.back(), kFinishedTitle);
        ASSERT_EQ(robot->WaitExit(), 1);
    }

    std::string RegisteredCommand(HKEY hive = HKEY_LOCAL_MACHINE) {
        std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product, hive);
        if (!entry || !entry->count("UninstallString")) return "";
        const std::string& bytes = entry->at("UninstallString").bytes;
        return bytes.substr(0, bytes.find('\0'));
    }

    // Runs the command line, pressing the given buttons in the message boxes
    // in turn (OK when none is left); `before` sees each box before its answer.
    UninstallRun RunUninstaller(const std::string& commandLine, std::deque<int> answers = {},
                                const std::function<void(const WindowInfo&)>& before = {}) {
        UninstallRun run;
        robot = std::make_unique<Robot>(CopiedUninstaller(), Medium::WorkDir());
        robot->SetCommandLine(commandLine);
        if (!robot->Start()) {
            ADD_FAILURE() << "cannot run " << commandLine;
            return run;
        }
        for (int n = 0; n < 10; ++n) {
            std::optional<WindowInfo> box = robot->WaitDialog();
            if (!box) break;
            run.boxes.push_back(DescribeBox(*robot, *box));
            if (before) before(*box);
            int id = answers.empty() ? IDOK : answers.front();
            if (!answers.empty()) answers.pop_front();
            robot->Press(id);
            if (!robot->WaitClosed(box->hwnd)) break;
        }
        run.exitCode = robot->WaitExit();
        EXPECT_TRUE(answers.empty()) << answers.size() << " answers were not used";
        return run;
    }

    std::string Question() const { return "[question Yes No] " + product + ": " + kUninstallText; }
    std::string Problem() const { return "[exclamation OK] " + product + ": " + kUninstallProblemText; }

    // The entry is gone, and with the last book the uninstaller that every
    // book shares: deleted, or (a running program's file) moved aside, its
    // count gone; its own name is never left to the system's next start,
    // which would take a later book's copy.
    void ExpectEntryGone() {
        EXPECT_FALSE(UninstallEntry(product).has_value()) << "the uninstall entry is still there";
        ExpectUninstallerGone();
    }
    void ExpectUninstallerGone() {
        std::string path = CopiedUninstaller();
        EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the uninstaller is still there";
        EXPECT_FALSE(LeftToTheNextStart(path)) << "the uninstaller's name is to be deleted at the next start";
        EXPECT_EQ(SharedCountOf(path), std::nullopt) << "the uninstaller's count";
    }
    // Another book still counts on the uninstaller, which stays as it is.
    void ExpectUninstallerStays(DWORD count) {
        EXPECT_EQ(ReadWholeFile(CopiedUninstaller()), ReadWholeFile(XOVUNIN_EXE)) << "the uninstaller's own file";
        EXPECT_EQ(SharedCountOf(CopiedUninstaller()), count) << "the uninstaller's count";
    }
    // A book of the current user's is removed: its entry, and with the user's
    // last book the user's uninstaller (deleted, or moved aside while it
    // runs; its name never left to the system's next start) and its count.
    void ExpectUserBookGone() {
        EXPECT_FALSE(UninstallEntry(product, HKEY_CURRENT_USER).has_value()) << "the user's entry is still there";
        std::string path = UserUninstaller();
        EXPECT_FALSE(FileExists(path)) << "the user's uninstaller is still there";
        EXPECT_FALSE(LeftToTheNextStart(path)) << "the user's uninstaller's name is to be deleted at the next start";
        EXPECT_EQ(UserCountOf(path), std::nullopt) << "the user's uninstaller's count";
    }
};

class QuietScenario : public UninstallScenario {
protected:
    // Starts setup.exe in the medium with the switches on its command line.
    bool StartWith(const std::string& switches, DWORD timeoutMs = 10000) {
        medium.AddCopy("XOVUNIN.EXE", uninstallerOnMedium);
        std::string folder = medium.Build();
        if (folder.empty()) {
            ADD_FAILURE() << "cannot build the medium " << medium.Path();
            return false;
        }
        robot = std::make_unique<Robot>(SETUP_EXE, folder, timeoutMs);
        robot->SetCommandLine(std::string("\"") + SETUP_EXE + "\" " + switches);
        bool started = robot->Start();
        EXPECT_TRUE(started) << "cannot start setup.exe " << switches;
        return started;
    }

    std::string QuietCommand(HKEY hive = HKEY_LOCAL_MACHINE) {
        std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product, hive);
        if (!entry || !entry->count("QuietUninstallString")) return "";
        const std::string& bytes = entry->at("QuietUninstallString").bytes;
        return bytes.substr(0, bytes.find('\0'));
    }

    // The log's lines.
    static std::vector<std::string> LogLines(const std::string& path) {
        std::vector<std::string> lines;
        std::string text = ReadWholeFile(path).value_or("");
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
            lines.push_back(text.substr(at, end - at));
        return lines;
    }
    static bool Holds(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // The uninstaller StartWith puts on the medium.
    std::string uninstallerOnMedium = XOVUNIN_EXE;

    // A book for the current user goes below the user's profile: a removal
    // with administrator rights (every run under Wine has them) acts nowhere
    // else for such a book.
    void DestinationInTheProfile() {
        char profile[MAX_PATH] = {};
        ASSERT_GT(ExpandEnvironmentStringsA("%USERPROFILE%", profile, MAX_PATH), 0u);
        ASSERT_NE(profile[0], '%');
        dest = std::string(profile) + "\\" + DestinationName();
        RemoveTree(dest);
        medium.SetIni("DestDir", dest);
    }

    // Where elevated runs of setup and the uninstaller (every run under Wine
    // is one) put their logs when no /LOG= names one: beside the machine's
    // journals, where only administrators write.
    std::string DefaultLog(const std::string& program) {
        return MachinePlaces().journals.folder + "\\" + program + "-" + product + ".log";
    }
};
