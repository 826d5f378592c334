// The command script at the end of a real installation: setup.exe on a
// medium, driven by the robot. The script's messages come one after the
// other, each quoting its line, and the finished dialog shows only after the
// last of them.
#include <windows.h>

#include <string>
#include <vector>

#include "Scenario.h"

namespace {
constexpr const char* kFinishedTitle = "Setup Complete";  // FinishedTitle of the sample SETUP.TXT

// What a run showed: the script's messages in order, whether the finished
// dialog was ever visible while one of them stood open, and whether it came
// after the last of them.
struct ScriptRun {
    std::vector<std::string> messages;
    bool finishedVisibleDuringMessage = false;
    bool finishedLast = false;
};

class ScriptScenario : public SetupScenario {
protected:
    // Walks setup to its end with the default buttons, as WalkToEnd does,
    // looking at the finished dialog whenever a message box stands open.
    ScriptRun WalkWatchingFinished() {
        ScriptRun run;
        bool finishedSeen = false;
        for (int n = 0; n < 100; ++n) {
            std::optional<WindowInfo> dialog = robot->WaitDialog();
            if (!dialog) break;
            if (IsMessageBox(*dialog)) {
                run.messages.push_back(dialog->Text(kMessageBoxText));
                if (finishedSeen) run.finishedLast = false;
                std::optional<WindowInfo> finished = robot->FindWindowByTitle(kFinishedTitle);
                if (finished && IsWindowVisible(finished->hwnd)) run.finishedVisibleDuringMessage = true;
            } else if (dialog->title == kFinishedTitle) {
                finishedSeen = run.finishedLast = true;
            }
            robot->Press(robot->DefaultButton());
            if (!robot->WaitClosed(dialog->hwnd)) break;
        }
        EXPECT_FALSE(robot->Running()) << "setup did not come to an end";
        return run;
    }

    // The destination of this scenario's installation, made beforehand so
    // that the script's copy into it does not depend on the copy before it.
    // Its last part has no period: "%INSTALLPATH%" alone must name a folder.
    std::string PrepareDestination() {
        std::string parent = medium.Path() + "-dest";
        std::string destination = parent + "\\Zandel";
        RemoveTree(parent);
        DeleteFileA(parent.c_str());  // a faulty run may have copied a file by that name
        CreateDirectoryA(parent.c_str(), nullptr);
        CreateDirectoryA(destination.c_str(), nullptr);
        medium.SetIni("DestDir", destination);
        medium.SetIni("ShortcutLocation", "NULL");
        return destination;
    }
};

// The sample medium as it ships: one file into the Windows folder, one into
// the install folder, no message.
TEST_F(ScriptScenario, SampleScriptCopiesIntoWindowsAndInstallFolders) {
    std::string destination = PrepareDestination();
    std::string windowsCopy = WindowsFolder() + "\\ZANDEL.INI";
    DeleteFileA(windowsCopy.c_str());
    ASSERT_TRUE(StartSetup());

    ScriptRun run = WalkWatchingFinished();
    EXPECT_EQ(run.messages, std::vector<std::string>{});
    EXPECT_TRUE(run.finishedLast);
    std::string sample = Medium::DefaultSample();
    EXPECT_EQ(ReadWholeFile(windowsCopy), ReadWholeFile(sample + "\\EXTRAS\\ZANDEL.INI"));
    EXPECT_EQ(ReadWholeFile(destination + "\\Read Me First.txt"), ReadWholeFile(sample + "\\EXTRAS\\Read Me First.txt"));
    EXPECT_TRUE(ReadWholeFile(windowsCopy).has_value());
    DeleteFileA(windowsCopy.c_str());
}

// Each faulty line shows its message with the line quoted, the script goes
// on after each, and the finished dialog comes after the last message.
TEST_F(ScriptScenario, FaultyLinesAreReportedInOrderBeforeTheFinishedDialog) {
    std::string destination = PrepareDestination();
    std::string windowsCopy = WindowsFolder() + "\\SCRIPTED.INI";
    DeleteFileA(windowsCopy.c_str());
    medium.AddFile("SCRIPT.TXT",
                   "COPY %STARTDIR%\\EXTRAS\\ZANDEL.INI %WINDOWS%\\SCRIPTED.INI\r\n"
                   "COPY %STARTDIR%\\EXTRAS\\MISSING.TXT %INSTALLPATH%\r\n"
                   "COPY README %INSTALLPATH%\r\n"
                   "COPY EXTRAS\\ZANDEL.INI %INSTALLPATH%\r\n"
                   "copy %startdir%\\EXTRAS\\ZANDEL.INI C:ZANDEL.INI\r\n"
                   "RUN SETUP2.EXE\r\n"
                   "COPY \"%STARTDIR%\\EXTRAS\\Read Me First.txt\" %INSTALLPATH%\r\n");
    ASSERT_TRUE(StartSetup());

    ScriptRun run = WalkWatchingFinished();
    const std::string& start = medium.Path();
    std::vector<std::string> expected = {
        "The file " + start + "\\EXTRAS\\MISSING.TXT does not exist. (Script command 'COPY    " + start +
            "\\EXTRAS\\MISSING.TXT    " + destination + "\\MISSING.TXT')",
        "'README' is an illegal filename. (The filename _must_ have an extension.)",
        "You must specify a source and destination drive. ('COPY    EXTRAS\\ZANDEL.INI    " + destination + "')",
        "You must specify a source and destination path. ('copy    " + start +
            "\\EXTRAS\\ZANDEL.INI    C:ZANDEL.INI')",
    };
    EXPECT_EQ(run.messages, expected);
    EXPECT_TRUE(run.finishedLast) << "the finished dialog did not come after the script's messages";
    EXPECT_FALSE(run.finishedVisibleDuringMessage) << "the finished dialog showed before the script had run";
    EXPECT_TRUE(ReadWholeFile(windowsCopy).has_value()) << "the line before the faulty ones did not run";
    EXPECT_TRUE(ReadWholeFile(destination + "\\Read Me First.txt").has_value())
        << "the line after the faulty ones did not run";
    DeleteFileA(windowsCopy.c_str());
}

// A script that is not there is reported once, and setup finishes as usual.
TEST_F(ScriptScenario, MissingScriptFileIsReportedBeforeTheFinishedDialog) {
    PrepareDestination();
    medium.SetIni("CommandFile", "NOSUCH.TXT");
    ASSERT_TRUE(StartSetup());

    ScriptRun run = WalkWatchingFinished();
    EXPECT_EQ(run.messages, std::vector<std::string>{"Couldn't find script file NOSUCH.TXT."});
    EXPECT_TRUE(run.finishedLast);
    EXPECT_FALSE(run.finishedVisibleDuringMessage);
    EXPECT_EQ(robot->WaitExit(), 1);
}
}  // namespace
