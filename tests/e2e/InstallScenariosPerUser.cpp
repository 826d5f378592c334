// Books installed for the current user end to end: the entry, counts and
// uninstaller of the user's own, the removal with rights that stays below the
// profile, an uninstaller changed after signing, and no run that says
// complete without a way back.
#include "UninstallScenario.h"

// /S /CurrentUser, as a reader without administrator rights installs: the
// entry under HKEY_CURRENT_USER with the medium's publisher and version, the
// uninstaller in the user's own folder, counted there; nothing of the book
// under HKEY_LOCAL_MACHINE or in the Windows folder. The entry's quiet
// command removes the book, and with the user's last book the user's
// uninstaller.
TEST_F(QuietScenario, ForTheCurrentUserTouchesNothingOfTheMachine) {
    ASSERT_FALSE(UserSetupFolder().empty()) << "no Local AppData shell folder";
    ASSERT_NO_FATAL_FAILURE(DestinationInTheProfile());
    medium.SetIni("Publisher", "Zandel Press").SetIni("Version", "2.1");
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /CurrentUser /LOG=" + log));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0) << ReadWholeFile(log).value_or("<no log>");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectShortcutIn("Desktop");
    // Neither an entry under HKEY_LOCAL_MACHINE nor the uninstaller in the Windows folder.
    ExpectRegistered(false);
    EXPECT_EQ(SharedCountOf(UserUninstaller()), std::nullopt) << "counted under SharedDLLs";
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product, HKEY_CURRENT_USER);
    ASSERT_TRUE(entry) << "no entry under HKEY_CURRENT_USER";
    ExpectEntryValues(*entry, UserUninstaller(), "/CURRENTUSER ",
                      {{"Publisher", Sz("Zandel Press")}, {"DisplayVersion", Sz("2.1")}});
    EXPECT_EQ(ReadWholeFile(UserUninstaller()), ReadWholeFile(XOVUNIN_EXE));
    EXPECT_EQ(UserCountOf(UserUninstaller()), 1u);
    EXPECT_TRUE(Holds(LogLines(log), "Installing for the current user."));

    // An entry of the machine's of the same name is another install: the
    // user's uninstaller never looks at it.
    HKEY machineEntry = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &machineEntry, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(machineEntry, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("machine"), 8);
    RegCloseKey(machineEntry);
    robot = std::make_unique<Robot>(UserUninstaller(), Medium::WorkDir());
    robot->SetCommandLine(QuietCommand(HKEY_CURRENT_USER));
    ASSERT_TRUE(robot->Start()) << QuietCommand(HKEY_CURRENT_USER);
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectUserBookGone();
    EXPECT_EQ(UninstallEntry(product), (std::map<std::string, StoredValue>{{"DisplayName", Sz("machine")}}))
        << "the machine's entry of that name";
}

// An interactive run with /CURRENTUSER shows the dialogs of every run, and
// its entry's own command removes the book after its question.
TEST_F(QuietScenario, AnInteractiveRunForTheCurrentUserIsRemovedByItsEntry) {
    ASSERT_NO_FATAL_FAILURE(DestinationInTheProfile());
    ASSERT_TRUE(StartWith("/currentuser"));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle});
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    ExpectRegistered(false);
    std::string command = RegisteredCommand(HKEY_CURRENT_USER);
    EXPECT_EQ(command, "\"" + UserUninstaller() + "\" /CURRENTUSER `" + dest + "` " + product);

    UninstallRun run = RunUninstaller(command, {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectUserBookGone();
}

// A line the user adds to the record of a book of theirs (under
// HKEY_CURRENT_USER, written without rights), naming a file outside the
// profile with its size, time and hash (a file of a folder standing in for
// the Windows folder): the removal with administrator rights (every run
// under Wine has them, as a package tool's would) leaves it, and says how to
// remove the book without rights; the entry stays with that line and the
// user's uninstaller. Everything of the book below the profile goes.
TEST_F(QuietScenario, AnElevatedRemovalOfAUsersBookTouchesNothingOutsideTheProfile) {
    ASSERT_NO_FATAL_FAILURE(DestinationInTheProfile());
    ASSERT_TRUE(StartWith("/S /CURRENTUSER"));
    ASSERT_EQ(robot->WaitExit(), 0);
    const std::string windows = MakeTestFolder(CurrentTestName() + " windows"), system = windows + "\\SYSTEM.INI";
    ASSERT_TRUE(WriteWholeFile(system, "[boot]\r\nshell=Explorer.exe\r\n"));
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product, HKEY_CURRENT_USER);
    ASSERT_TRUE(entry && entry->count("InstallRecord"));
    std::optional<InstallRecord> record = ParseRecord(entry->at("InstallRecord").bytes);
    ASSERT_TRUE(record);
    std::optional<RecordEntry> added = FileEntryNow(system);
    ASSERT_TRUE(added);
    record->entries.insert(record->entries.begin(), *added);
    const std::string text = FormatRecord(*record);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (kUninstallKey + product).c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                   static_cast<DWORD>(text.size()));
    RegCloseKey(key);

    char profile[MAX_PATH] = {};
    ExpandEnvironmentStringsA("%USERPROFILE%", profile, MAX_PATH);
    UninstallRun run = RunUninstaller(RegisteredCommand(HKEY_CURRENT_USER), {IDYES});
    EXPECT_EQ(run.boxes,
              (std::vector<std::string>{
                  Question(), "[exclamation OK] " + product +
                                  ": This book was installed for one user alone, and part of it lies outside that "
                                  "user's folder (" + std::string(profile) +
                                  "). Run with administrator rights, the uninstaller does not touch it. To remove the "
                                  "book, sign in as that user and start its uninstaller from the list of installed "
                                  "programs without \"Run as administrator\"."}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadWholeFile(system), "[boot]\r\nshell=Explorer.exe\r\n") << "outside the profile";
    EXPECT_FALSE(FileExists(dest)) << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    entry = UninstallEntry(product, HKEY_CURRENT_USER);
    ASSERT_TRUE(entry && entry->count("InstallRecord")) << "the entry, for the user's own removal";
    record = ParseRecord(entry->at("InstallRecord").bytes);
    ASSERT_TRUE(record);
    std::vector<std::string> left;
    for (const RecordEntry& e : record->entries) left.push_back(e.path);
    EXPECT_EQ(left, (std::vector<std::string>{system, UserUninstaller()}));
    EXPECT_EQ(ReadWholeFile(UserUninstaller()), ReadWholeFile(XOVUNIN_EXE)) << "the user's uninstaller stays";
    RemoveTree(windows);
}

// An uninstaller changed on the medium after it was signed: the book is
// installed, that uninstaller is copied nowhere, and the run says so, naming
// the file: an unattended run in its log, ending with 10, an interactive one
// in a message before the finished dialog.
TEST_F(QuietScenario, AnUninstallerChangedAfterSigningIsNeverCopied) {
    ASSERT_FALSE(UserSetupFolder().empty()) << "no Local AppData shell folder";
    ASSERT_FALSE(FileExists(UserUninstaller())) << "left by another scenario";
    uninstallerOnMedium = SIGNED_DIR "\\changed\\XOVUNIN.EXE";
    const std::string said = "Setup has installed " + product + ", but did not copy its uninstaller: XOVUNIN.EXE on "
                             "the medium was changed after it was signed. The book cannot be removed with the "
                             "system's list of installed software.";
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /CURRENTUSER /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 10);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    EXPECT_FALSE(FileExists(UserUninstaller()));
    EXPECT_TRUE(Holds(LogLines(log), said)) << ReadWholeFile(log).value_or("<no log>");

    RemoveTree(dest);
    ASSERT_TRUE(StartWith("/CURRENTUSER"));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{"setup: " + said, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1) << robot->Transcript();
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    EXPECT_FALSE(FileExists(UserUninstaller()));

    // A whole newer one replaces a signed older one.
    RemoveTree(dest);
    ASSERT_TRUE(WriteWholeFile(UserUninstaller(), ReadWholeFile(SIGNED_DIR "\\older\\XOVUNIN.EXE").value_or("")));
    uninstallerOnMedium = SIGNED_DIR "\\XOVUNIN.EXE";
    ASSERT_TRUE(StartWith("/S /CURRENTUSER /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 0) << ReadWholeFile(log).value_or("<no log>");
    EXPECT_TRUE(ReadWholeFile(UserUninstaller()) == ReadWholeFile(SIGNED_DIR "\\XOVUNIN.EXE"));
    Clean();
}

// Never "complete" without a way back. Where the user's uninstaller cannot be
// copied (a file stands where its folder goes), an unattended run ends with
// 10 and its log names what is missing, and an interactive one says it in a
// message before the finished dialog. An unattended run whose script had a
// failing line ends with 11.
TEST_F(QuietScenario, NoRunSaysCompleteWithoutAWayBack) {
    ASSERT_FALSE(UserSetupFolder().empty()) << "no Local AppData shell folder";
    ASSERT_TRUE(WriteWholeFile(UserSetupFolder(), "not a folder"));
    const std::string missing = "Setup has installed " + product + ", but could not copy its uninstaller to " +
                                UserUninstaller() +
                                ": the book cannot be removed with the system's list of installed software.";
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /CURRENTUSER /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 10);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(Holds(lines, missing)) << ReadWholeFile(log).value_or("<no log>");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Installed, but the book cannot be removed: its uninstaller or uninstall entry could not "
                            "be written. (exit code 10)");

    RemoveTree(dest);
    ASSERT_TRUE(StartWith("/CURRENTUSER"));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering();
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{"setup: " + missing, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    DeleteFileA(UserSetupFolder().c_str());
    Clean();
    RemoveTree(dest);

    medium.AddFile("SCRIPT.TXT", "COPY %STARTDIR%\\NOSUCH.TXT %INSTALLPATH%\r\n");
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 11);
    ExpectRegistered(true);
    lines = LogLines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Installed; a line of the command script failed. (exit code 11)");
    Clean();
    RemoveTree(dest);

    // A copy that cannot be made (a folder of the book stands at its target
    // name) is silent on the screen, as the script's rules say, but named in
    // the log, and an unattended run ends with 11; the interactive run's log
    // names it too.
    medium.AddFile("CODE\\BLOCKED.TXT\\INSIDE.TXT", "a folder of the book at the script's target name");
    medium.AddFile("SCRIPT.TXT", "COPY %STARTDIR%\\SETUP.INI %INSTALLPATH%\\BLOCKED.TXT\r\n");
    const std::string failed = "Script: The script's copy of " + medium.Path() + "\\SETUP.INI to " + dest +
                               "\\BLOCKED.TXT failed: system error 5. (Script command 'COPY    " + medium.Path() +
                               "\\SETUP.INI    " + dest + "\\BLOCKED.TXT')";
    for (bool silent : {true, false}) {
        DeleteFileA(log.c_str());
        if (silent) {
            ASSERT_TRUE(StartWith("/S /LOG=" + log));
            EXPECT_EQ(robot->WaitExit(), 11);
        } else {
            ASSERT_TRUE(StartWith("/LOG=" + log));
            ASSERT_TRUE(PassToProgress());
            Walk walk = WalkAnswering();
            EXPECT_EQ(walk.dialogs, std::vector<std::string>{kFinishedTitle}) << "nothing on the screen";
            EXPECT_EQ(robot->WaitExit(), 1);
        }
        ExpectRegistered(true);
        lines = LogLines(log);
        EXPECT_TRUE(Holds(lines, failed)) << ReadWholeFile(log).value_or("<no log>");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), silent ? "Installed; a line of the command script failed. (exit code 11)"
                                       : "Setup is complete.");
        Clean();
        RemoveTree(dest);
    }
}
