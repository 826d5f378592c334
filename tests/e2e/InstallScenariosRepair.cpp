// Installing end to end, a run ended from the task list and the next start
// that puts it right: what it puts back, what it names, what it leaves to a
// later edition or behind a link, and which journals an elevated run obeys.
#include "UninstallScenario.h"
#include "ScenarioChanges.h"
#include "journal/JournalTrust.h"

// Ended from the task list at the third replace question, after two Yes: the
// next start of setup has put everything back by the time it shows the
// destination dialog (the reader's files as they were, no folder or file of
// the killed run, no journal left); a completed run after it leaves no stray
// file beside the book's.
TEST_F(InstallScenario, ARunEndedFromTheTaskListIsUndoneAtTheNextStart) {
    AllExisting();
    medium.AddFile("CODE\\NEW_BITS\\EXTRA.TXT", "extra");
    const Tree before = InstalledTree(dest);
    EndAtReplaceQuestion(3);
    EXPECT_EQ(KeptFilesIn(InstalledTree(dest)), 2u) << "the two replaced files are kept aside";
    EXPECT_EQ(JournalsOf(product), 1u);

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    ASSERT_TRUE(PressAndWaitClosed(*welcome, IDOK));
    std::optional<WindowInfo> destination = NextDialog();
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->title, "Choose the Destination Folder");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), before), "");
    EXPECT_EQ(GetFileAttributesA((dest + "\\New Bits").c_str()), INVALID_FILE_ATTRIBUTES) << "a folder of the killed run";
    EXPECT_EQ(JournalsOf(product), 0u);

    ASSERT_TRUE(PressAndWaitClosed(*destination, IDOK));
    Walk walk = WalkAnswering({{kReplaceTitle, {kYesToAll}}});
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kReplaceTitle, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    Tree expected = SampleTree();
    expected["New Bits\\Extra.txt"] = "extra";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_EQ(JournalsOf(product), 0u);
}

// Ended from the task list after one Yes, while the reader's replaced file is
// held open by another program: the next start cannot put it back, says so
// once, naming the file and where its original lies, and goes on to the
// welcome dialog; the start after that, with the file let go, puts it back
// without a word.
TEST_F(InstallScenario, AFileThatCannotBePutBackAtTheNextStartIsNamed) {
    AllExisting();
    const Tree before = InstalledTree(dest);
    EndAtReplaceQuestion(2);
    Tree kept;
    for (const auto& [relative, content] : InstalledTree(dest))
        if (relative.find("~sx") != std::string::npos) kept[relative] = content;
    ASSERT_EQ(kept.size(), 1u);
    const std::string keptPath = dest + "\\" + kept.begin()->first;
    const std::string replaced = keptPath.substr(0, keptPath.find(".~sx"));
    HANDLE held = CreateFileA(replaced.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> message = NextDialog();
    CloseHandle(held);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->title, kMessageBoxTitle);
    std::string text = message->Text(kMessageBoxText);
    EXPECT_NE(text.find(replaced + "\r\n    " + keptPath), std::string::npos) << text;
    ASSERT_TRUE(PressAndWaitClosed(*message, IDOK));
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << "a second message: " << welcome->Text(kMessageBoxText);
    robot.reset();

    ASSERT_TRUE(StartSetup());
    welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), before), "");
    EXPECT_EQ(JournalsOf(product), 0u);
}

// As above, but the reader's original is the file held open (the start
// cannot move it back), and the next edition of the book is installed whole
// before it is let go: that run retires the old journal, and the start
// after it leaves the later install as it is. The original stays where it
// was kept; nothing of the later install is taken apart.
TEST_F(InstallScenario, AnOldJournalLeavesALaterEditionAsItIs) {
    AllExisting();
    EndAtReplaceQuestion(2);
    std::string keptPath;
    for (const auto& [relative, content] : InstalledTree(dest))
        if (relative.find("~sx") != std::string::npos) keptPath = dest + "\\" + relative;
    ASSERT_FALSE(keptPath.empty());
    const std::string original = FileContent(keptPath);
    HANDLE held = CreateFileA(keptPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    Tree later;
    for (const auto& [relative, content] : SampleTree()) later[relative] = "the second edition's " + relative;
    medium.AddFile("CODE\\READ_ME.TXT", later["Read Me.txt"])
        .AddFile("CODE\\CHAP_1\\HELLO.C", later["Chap 1\\Hello.c"])
        .AddFile("CODE\\CHAP_2\\DATA\\TABLE.DAT", later["Chap 2\\Data\\Table.dat"]);
    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> message = NextDialog();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->title, kMessageBoxTitle);
    ASSERT_TRUE(PressAndWaitClosed(*message, IDOK));
    ASSERT_TRUE(PassToProgress());
    Walk walk = WalkAnswering({{kReplaceTitle, {kYesToAll}}});
    EXPECT_EQ(walk.dialogs, (std::vector<std::string>{kReplaceTitle, kFinishedTitle}));
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(JournalsOf(product), 0u) << "the old journal is retired";
    CloseHandle(held);

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    robot.reset();
    later[keptPath.substr(dest.size() + 1)] = original;
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), later), "");
}

// A run ended from the task list, and a link put in the install folder
// after it where the run made a folder: the next start undoes the run but
// does nothing through the link (the file of that name behind it stays).
TEST_F(InstallScenario, TheRepairLeavesWhatIsBehindALinkAlone) {
    AllExisting();
    medium.AddFile("CODE\\NEW_BITS\\EXTRA.TXT", "extra");
    const Tree before = InstalledTree(dest);
    EndAtReplaceQuestion(3);
    ASSERT_TRUE(FileExists(dest + "\\New Bits\\Extra.txt")) << "the killed run's new file";
    // The reader moved the folder elsewhere and linked it back: behind the
    // link is the run's file as the run left it (size and time), now theirs.
    const std::string behind = Medium::WorkDir() + "\\" + CurrentTestName() + " behind";
    RemoveTree(behind);
    MakeFolders(behind);
    ASSERT_TRUE(CopyFileA((dest + "\\New Bits\\Extra.txt").c_str(), (behind + "\\Extra.txt").c_str(), FALSE));
    RemoveTree(dest + "\\New Bits");
    ASSERT_NO_FATAL_FAILURE(MakeFolderLink(dest + "\\New Bits", behind));

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    robot.reset();
    EXPECT_EQ(FileContent(behind + "\\Extra.txt"), "extra");
    RemoveLink(dest + "\\New Bits");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), before), "") << "the rest of the run is undone";
    EXPECT_EQ(JournalsOf(product), 1u) << "a step left alone keeps the journal for a later start";
    RemoveTree(behind);
}

// A run into a new folder three levels down (it makes Books, Maths and
// Vol1) is ended from the task list; before the next start someone renames
// the run's top folder away and puts a link in its place, leading to a
// folder of their choice holding an empty folder of the name of one the run
// made. The next start deletes nothing behind the link and keeps the
// journal; with the folder back, the start after it undoes the run whole.
TEST_F(InstallScenario, TheRepairNeverFollowsALinkPutAboveTheInstallFolder) {
    const std::string top = Medium::WorkDir() + "\\" + DestinationName() + " Books";
    const std::string away = top + " away", chosen = top + " chosen";
    for (const std::string& folder : {top, away, chosen}) RemoveTree(folder);
    dest = top + "\\Maths\\Vol1";
    medium.SetIni("DestDir", dest);
    // Two names of the medium that become one: the second asks.
    medium.AddFile("CODE\\Read Me.txt", "the second name");
    EndAtReplaceQuestion(1);
    ASSERT_TRUE(FileExists(dest + "\\Read Me.txt")) << "the killed run's first file";
    ASSERT_EQ(JournalsOf(product), 1u);

    // The folder behind the link holds an empty Maths: the folder step of
    // the run's above its install folder names it.
    ASSERT_TRUE(MoveFileA(top.c_str(), away.c_str()));
    MakeFolders(chosen + "\\Maths");
    ASSERT_NO_FATAL_FAILURE(MakeFolderLink(top, chosen));

    ASSERT_TRUE(StartSetup());
    std::optional<WindowInfo> welcome = NextDialog();
    ASSERT_TRUE(welcome);
    EXPECT_NE(welcome->title, kMessageBoxTitle) << welcome->Text(kMessageBoxText);
    robot.reset();
    RemoveLink(top);
    EXPECT_TRUE(FileExists(chosen + "\\Maths")) << "the empty folder behind the link was removed";
    EXPECT_EQ(JournalsOf(product), 1u) << "the steps left alone keep the journal";

    ASSERT_TRUE(MoveFileA(away.c_str(), top.c_str()));
    ASSERT_TRUE(StartSetup());
    welcome = NextDialog();
    ASSERT_TRUE(welcome);
    robot.reset();
    EXPECT_FALSE(FileExists(top)) << "the run's folders are undone: " << TreeDifferences(InstalledTree(top), Tree{});
    EXPECT_EQ(JournalsOf(product), 0u);
    RemoveTree(chosen);
}

// A run ended from the task list after two Yes, then an unattended run of
// the book: it undoes the run cut short first, so the reader's files it
// then replaces are kept and let go as its own, and nothing of the cut run
// is left beside the book's files.
TEST_F(QuietScenario, ARunCutShortIsUndoneBeforeAnUnattendedRun) {
    AllExisting();
    medium.AddFile("CODE\\NEW_BITS\\EXTRA.TXT", "extra");
    EndAtReplaceQuestion(3);
    ASSERT_EQ(KeptFilesIn(InstalledTree(dest)), 2u);
    ASSERT_EQ(JournalsOf(product), 1u);
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 0);
    Tree expected = SampleTree();
    expected["New Bits\\Extra.txt"] = "extra";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_EQ(JournalsOf(product), 0u);
    DeleteFileA(log.c_str());
}

// What the same user unelevated, or another user, can write never turns into
// a delete or a move of an elevated run (every run under Wine is one):
// - a journal in the user's own folder (any program of the user may write
//   one) is never looked at;
// - a journal in the machine's folder is carried out only inside the run's
//   own folders: an N line for a file of the Windows folder and a K line
//   that would put a file over another one there are refused, and named;
// - a file at the journals' folder's name and links at the nine names beside
//   it do not stop the install: the file is moved aside, never entered.
TEST_F(QuietScenario, AnElevatedRunObeysOnlyWhatAdministratorsAloneCanWrite) {
    const std::string work = MakeTestFolder(CurrentTestName() + " Forged");
    const std::string victim = WindowsFolder() + "\\ZANDEL-VICTIM.INI", covered = WindowsFolder() + "\\ZANDEL-COVERED.INI";
    const std::string planted = work + "\\planted.txt";
    ASSERT_TRUE(WriteWholeFile(victim, "the system's"));
    ASSERT_TRUE(WriteWholeFile(covered, "the system's too"));
    ASSERT_TRUE(WriteWholeFile(planted, "a program's of the user"));
    const std::string forged = "XOV SETUP RUN JOURNAL 1\r\nM\t0000F0F0\r\nP\tAnother Book\r\nI\t" + work +
                               "\\Book\r\nN\t" + victim + "\r\nK\t" + covered + "\t" + planted + "\r\n";
    const std::string userJournals = LocalAppDataFolder() + "\\Book Setup Journals";
    MakeFolders(userJournals);
    ASSERT_TRUE(WriteWholeFile(userJournals + "\\F0F0.jnl", forged));
    const std::string machineJournals = MachinePlaces().journals.folder;
    auto leaveNothing = [&] {
        for (int beside = 2; beside <= 9; ++beside)
            if (KindOf(machineJournals + " " + std::to_string(beside)) == PathKind::Link)
                RemoveLinuxLink(machineJournals + " " + std::to_string(beside));
        if (KindOf(machineJournals) == PathKind::File) DeleteFileA(machineJournals.c_str());
        DeleteFileA((machineJournals + " (not setup's 1)").c_str());
    };
    leaveNothing();
    MakeFolders(machineJournals);
    ASSERT_TRUE(WriteWholeFile(machineJournals + "\\F0F0.jnl", forged));

    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 0) << ReadWholeFile(log).value_or("<no log>");
    EXPECT_EQ(FileContent(victim), "the system's");
    EXPECT_EQ(FileContent(covered), "the system's too");
    EXPECT_EQ(FileContent(planted), "a program's of the user");
    EXPECT_EQ(FileContent(userJournals + "\\F0F0.jnl"), forged) << "the user's own journal, never read";
    const std::vector<std::string> lines = LogLines(log);
    const std::string refused = "Refused, as it lies outside the folders of the run that wrote the journal: ";
    EXPECT_TRUE(Holds(lines, refused + victim)) << ReadWholeFile(log).value_or("");
    EXPECT_TRUE(Holds(lines, refused + covered + " (" + planted + ")")) << ReadWholeFile(log).value_or("");
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), SampleTree()), "");

    // Something stands at the journals' folder's name, and links at every name beside it.
    if (FileExists(machineJournals + ".held")) RemoveTree(machineJournals + ".held");
    ASSERT_TRUE(MoveFileA(machineJournals.c_str(), (machineJournals + ".held").c_str()));
    ASSERT_TRUE(WriteWholeFile(machineJournals, "not a folder"));
    MakeFolders(work + "\\Elsewhere");
    for (int beside = 2; beside <= 9; ++beside)
        ASSERT_TRUE(MakeLinuxLink(machineJournals + " " + std::to_string(beside), work + "\\Elsewhere"));
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WaitExit(), 0) << ReadWholeFile(log).value_or("<no log>");
    EXPECT_TRUE(Holds(LogLines(log), machineJournals + " was not setup's own: it is moved aside to " + machineJournals +
                                         " (not setup's 1)."))
        << ReadWholeFile(log).value_or("");
    EXPECT_EQ(FileContent(machineJournals + " (not setup's 1)"), "not a folder");
    EXPECT_EQ(ListingOrder(work + "\\Elsewhere"), std::vector<std::string>{}) << "nothing made behind a link";
    leaveNothing();
    RemoveDirectoryA(machineJournals.c_str());
    MoveFileA((machineJournals + ".held").c_str(), machineJournals.c_str());
    DeleteFileA((userJournals + "\\F0F0.jnl").c_str());
    DeleteFileA(victim.c_str());
    DeleteFileA(covered.c_str());
    DeleteFileA(log.c_str());
}
