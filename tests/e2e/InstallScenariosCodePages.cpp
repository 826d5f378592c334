// Installing end to end with names outside the code page: a name in
// full-width forms on a system that runs setup in its code page, a Japanese
// book on a Japanese Windows, and names in any script on a Western one.
#include "UninstallScenario.h"
#include "PublisherTool.h"
#include "framework/CodePage.h"
#include "framework/AnsiText.h"

// A name on the medium in full-width forms ("．．＼ESCAPE.TXT"), installed as a
// system before Windows 10 1903 runs setup (in its code page, 1252 here):
// the system's best fit would make it "..\\ESCAPE.TXT", beside the chosen
// folder, read from the medium's own ESCAPE.TXT. It is named in the log and
// written nowhere, and the unattended run stops as on any file it cannot
// install; the publisher's check in that code page names it too.
TEST_F(QuietScenario, AFullWidthNameNeverLeadsOutOfTheChosenFolder) {
    ASSERT_EQ(SystemCodePage(), 1252u);
    const std::string name = "\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBC" "ESCAPE.TXT";
    medium.AddFile("CODE\\" + name, "full width").AddFile("ESCAPE.TXT", "beside the code");
    const std::string outside = SplitPath(dest).folder + "ESCAPE.TXT";
    DeleteFileA(outside.c_str());
    const std::string log = Medium::WorkDir() + "\\" + CurrentTestName() + ".log";
    struct Programs {
        ~Programs() { SetEnvironmentVariableA("SETUP_PROGRAMS_DIR", nullptr); }
    } restore;
    SetEnvironmentVariableA("SETUP_PROGRAMS_DIR", (std::string(PROGRAMS_DIR) + "\\system-code-page").c_str());
    DeleteFileA(log.c_str());
    ASSERT_TRUE(StartWith("/S /LOG=" + log));
    EXPECT_EQ(robot->WindowsShownUntilExit(), std::vector<std::string>{});
    EXPECT_EQ(robot->WaitExit(), 7);
    EXPECT_FALSE(FileExists(outside)) << "written beside the chosen folder";
    const std::string named = "Not installed, as this system's code page cannot write its name whole: ";
    const std::string shown = "\\CODE\\???ESCAPE.TXT";
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.rfind(named, 0) == 0 && line.size() > shown.size() &&
               line.compare(line.size() - shown.size(), shown.size(), shown) == 0;
    })) << ReadWholeFile(log).value_or("<no log>");
    ExpectRegistered(false);
    // The publisher's check in that code page says so too, as an error.
    std::string output;
    EXPECT_EQ(RunMedium("check \"" + medium.Path() + "\"", output), 1) << output;
    EXPECT_NE(output.find("error: CODE\\???ESCAPE.TXT: this system's code page (1252) cannot write the name whole: "
                          "not installed"),
              std::string::npos)
        << output;
}

namespace {
// The text in the system's ANSI code page (932 on a Japanese Windows), from
// the UTF-8 of this source.
std::string Ansi(const char* utf8) {
    wchar_t wide[MAX_PATH] = {};
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, MAX_PATH);
    char ansi[2 * MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, length, ansi, sizeof ansi, nullptr, nullptr);
    return ansi;
}

// A book whose names are Japanese, on a Japanese Windows (code page 932):
// every name holds characters whose second byte is "\" (ソ, 表), "_" (ダ),
// "|" (ポ) or "`" (チ). Run by CTest under a Japanese locale in a prefix of
// its own (CodePage932.*), not with the other scenarios.
class CodePage932Scenario : public UninstallScenario {
protected:
    CodePage932Scenario() {
        dest = Medium::WorkDir() + "\\" + Ansi("チ本") + "\\" + Ansi("一覧表");
        product = Ansi("ソフト表");
        linkName = product + " Files";
    }
    void SetUp() override {
        ASSERT_EQ(SystemCodePage(), 932u) << "this scenario runs under a Japanese locale";
        RemoveTree(Medium::WorkDir() + "\\" + Ansi("チ本"));
        UninstallScenario::SetUp();
    }
};
}  // namespace

TEST_F(CodePage932Scenario, InstallsRegistersRunsItsScriptAndUninstallsWhole) {
    const std::string windowsCopy = WindowsFolder() + "\\" + Ansi("表ソ.INI");
    DeleteFileA(windowsCopy.c_str());
    medium.AddFile("CODE\\" + Ansi("ダ_ポ.TXT"), "da po")
        .AddFile("CODE\\" + Ansi("一覧表"), "ichiranhyou")
        .AddFile("CODE\\" + Ansi("表_チ") + "\\" + Ansi("能_十.TXT"), "nou juu")
        .AddFile("EXTRAS\\" + Ansi("予定表.TXT"), "yotei")
        // The publisher's script, in the system's code page.
        .AddFile("SCRIPT.TXT", RecodeText("COPY %STARTDIR%\\EXTRAS\\" + Ansi("予定表.TXT") + " %INSTALLPATH%\r\n" +
                                              "COPY %STARTDIR%\\EXTRAS\\ZANDEL.INI %WINDOWS%\\" + Ansi("表ソ.INI") +
                                              "\r\n",
                                          CP_ACP, SystemCodePage()));
    medium.AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
    std::string output;
    EXPECT_EQ(RunMedium("check \"" + medium.Build() + "\"", output), 0) << output;
    // Four names outside ASCII, each worth a word to the publisher, and the
    // uninstaller of the build, which is not signed; nothing wrong.
    EXPECT_EQ(output.substr(output.rfind("0 errors")), "0 errors, 5 warnings\n");
    // The publisher's pack makes the same folders.
    const std::string packed = medium.Path() + Ansi(" 表");
    EXPECT_EQ(RunMedium("pack \"" + medium.Path() + "\" \"" + packed + "\"", output), 0) << output;
    EXPECT_TRUE(FileExists(packed + "\\CODE\\" + Ansi("表_チ") + "\\" + Ansi("能_十.TXT"))) << output;
    RemoveTree(packed);

    Install();
    Tree expected = SampleTree();
    expected[Ansi("ダ ポ.txt")] = "da po";
    expected[Ansi("表 チ") + "\\" + Ansi("能 十.txt")] = "nou juu";
    expected[Ansi("予定表.TXT")] = "yotei";
    expected[Ansi("一覧表")] = "ichiranhyou";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    // Again from the same medium: every file is replaced through a temporary
    // file beside it, the one whose name ends in 表 too, and none is left behind.
    robot = std::make_unique<Robot>(SETUP_EXE, medium.Path());
    ASSERT_TRUE(robot->Start() && PassToProgress());
    Walk again = WalkAnswering({{kReplaceTitle, {kYesToAll}}});
    EXPECT_EQ(again.dialogs, (std::vector<std::string>{kReplaceTitle, kFinishedTitle})) << "a file was not replaced";
    EXPECT_EQ(robot->WaitExit(), 1);
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    EXPECT_EQ(ReadWholeFile(windowsCopy), Sample("EXTRAS\\ZANDEL.INI"));
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);  // under the name with ソ and 表, naming the folder with チ and 表

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    EXPECT_EQ(run.boxes, std::vector<std::string>{Question()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(Medium::WorkDir() + "\\" + Ansi("チ本")))
        << "left: " << TreeDifferences(InstalledTree(dest), Tree{});
    EXPECT_FALSE(FileExists(windowsCopy));
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}

namespace {
// A book on a Western Windows (code page 1252) whose names are in scripts the
// code page lacks: the medium in a Cyrillic folder, files named in Greek,
// Russian and Vietnamese, a destination and a Desktop named in Cyrillic, the
// product's name in its texts (a SETUP.INI and SETUP.TXT in UTF-8 with a
// byte-order mark). Setup and the uninstaller run in UTF-8.
class EveryScriptScenario : public UninstallScenario {
protected:
    EveryScriptScenario() {
        medium = Medium("Носитель " + CurrentTestName());
        dest = Medium::WorkDir() + "\\Книги\\Εισαγωγή";
        product = "Книги Đọc";
        linkName = product + " Files";
        // Below the profile: a run with rights (every run under Wine) takes
        // the user's shell folders only there.
        desktop = UserProfileFolder() + "\\Рабочий стол";
    }
    void SetUp() override {
        ASSERT_EQ(SystemCodePage(), 1252u) << "this scenario runs on a Western system";
        RemoveTree(Medium::WorkDir() + "\\Книги");
        MakeFolders(desktop);
        for (const char* key : kDesktopKeys) {
            savedDesktop.push_back(DesktopValue(key));
            SetDesktopValue(key, {REG_SZ, desktop + std::string(1, '\0')});
        }
        UninstallScenario::SetUp();
        if (utf16Profiles)
            medium.MarkProfilesUtf16();
        else if (utf8Profiles)
            medium.MarkProfilesUtf8();
    }
    void TearDown() override {
        UninstallScenario::TearDown();
        for (size_t i = 0; i < savedDesktop.size(); ++i) SetDesktopValue(kDesktopKeys[i], savedDesktop[i]);
        RemoveTree(desktop);
        RemoveTree(Medium::WorkDir() + "\\Книги");
    }
    // Both keys name the Desktop; each keeps its own type (REG_EXPAND_SZ in one).
    static constexpr const char* kDesktopKeys[] = {
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"};
    static StoredValue DesktopValue(const char* key) {
        StoredValue value;
        char bytes[2048] = {};
        DWORD size = sizeof bytes;
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return value;
        if (RegQueryValueExA(opened, "Desktop", nullptr, &value.type, reinterpret_cast<BYTE*>(bytes), &size) ==
            ERROR_SUCCESS)
            value.bytes.assign(bytes, size);
        RegCloseKey(opened);
        return value;
    }
    static void SetDesktopValue(const char* key, const StoredValue& value) {
        HKEY opened = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS) << key;
        RegSetValueExA(opened, "Desktop", 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                       static_cast<DWORD>(value.bytes.size()));
        RegCloseKey(opened);
    }

    // Installs as a person does; the welcome dialog's title as it showed.
    std::string InstallSeeingWelcome() {
        medium.AddCopy("XOVUNIN.EXE", XOVUNIN_EXE);
        if (!StartSetup()) return "";
        std::optional<WindowInfo> welcome = NextDialog();
        if (!welcome || !PressAndWaitClosed(*welcome, IDOK)) return "";
        std::optional<WindowInfo> destination = NextDialog();
        if (!destination || !PressAndWaitClosed(*destination, IDOK)) return "";
        Walk walk = WalkAnswering({});
        EXPECT_EQ(walk.dialogs.back(), kFinishedTitle);
        EXPECT_EQ(robot->WaitExit(), 1);
        return welcome->title;
    }

    std::string desktop;
    std::vector<StoredValue> savedDesktop;
    bool utf8Profiles = true;
    bool utf16Profiles = false;
};

// The same book with the publisher's files in the system's code page (1252).
class WesternTextsScenario : public EveryScriptScenario {
protected:
    WesternTextsScenario() {
        dest = Medium::WorkDir() + "\\Übungen";
        product = "Übungen";
        linkName = product + " Files";
        utf8Profiles = false;
    }
};

// The same book with the publisher's files saved as "Unicode" (UTF-16
// little-endian after a byte-order mark), as the system's editor offered.
class UnicodeTextsScenario : public EveryScriptScenario {
protected:
    UnicodeTextsScenario() { utf16Profiles = true; }
};
}  // namespace

TEST_F(UnicodeTextsScenario, TextsSavedAsUnicodeShowAsWritten) {
    medium.SetTxt("WelcomeTitle", "ようこそ Übungen \xF0\x9F\x93\x96");
    EXPECT_EQ(InstallSeeingWelcome(), "ようこそ Übungen \xF0\x9F\x93\x96");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
}

TEST_F(WesternTextsScenario, TextsInTheSystemsCodePageShowAsWritten) {
    medium.SetTxt("WelcomeTitle", "Übungen ÄÖÜß");
    EXPECT_EQ(InstallSeeingWelcome(), "Übungen ÄÖÜß");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);
}

TEST_F(EveryScriptScenario, NamesInAnyScriptInstallShowRegisterAndUninstallWhole) {
    medium.SetTxt("WelcomeTitle", "Добро пожаловать, Übungen")
        .AddFile("CODE\\Εισαγωγή.TXT", "eisagogi")
        .AddFile("CODE\\Глава 1\\Часть 1.TXT", "glava")
        .AddFile("CODE\\Đọc.TXT", "doc");
    EXPECT_EQ(InstallSeeingWelcome(), "Добро пожаловать, Übungen");

    // Byte for byte, under their long names (the medium's names use underscores).
    Tree expected = SampleTree();
    expected["εισαγωγή.txt"] = "eisagogi";
    expected["глава 1\\часть 1.txt"] = "glava";
    expected["đọc.txt"] = "doc";
    EXPECT_EQ(TreeDifferences(InstalledTree(dest), expected), "");
    ExpectShortcutIn("Desktop");
    ExpectRegistered(true);

    UninstallRun run = RunUninstaller(RegisteredCommand(), {IDYES});
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_NE(run.boxes[0].find("] Книги Đọc: " + kUninstallText), std::string::npos) << run.boxes[0];
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(FileExists(Medium::WorkDir() + "\\Книги")) << TreeDifferences(InstalledTree(dest), Tree{});
    ExpectShortcutIn(nullptr);
    ExpectEntryGone();
}
