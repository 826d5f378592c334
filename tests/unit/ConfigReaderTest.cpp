#include "settings/ConfigReader.h"
#include "settings/ProfileFile.h"
#include "framework/CodePage.h"

#include <gtest/gtest.h>

#include <vector>

#include "TestFiles.h"

namespace {
struct Collected {
    std::vector<std::string> warnings;
    MissingKeyWarning Sink() {
        return [this](const std::string& w) { warnings.push_back(w); };
    }
};

std::string IniWarning(const char* key) {
    return std::string("Warning: The ") + key + " key (or its text) is not set in SETUP.INI";
}
std::string TxtWarning(const char* key) {
    return std::string("Warning: The ") + key + " key (or its text) is not set in SETUP.TXT";
}

TEST(ReadSetupIni, WithoutTheFileEveryKeyWarnsInOrderAndReadsError) {
    CurrentDirectoryScope here(MakeTestFolder("ini-missing"));
    InstallSettingsRecord settings;
    Collected got;
    ReadSetupIni(settings, got.Sink());

    std::vector<std::string> expected;
    for (const SetupIniKey& key : SetupIniKeys) expected.push_back(IniWarning(key.name));
    EXPECT_EQ(got.warnings, expected);
    for (const SetupIniKey& key : SetupIniKeys) EXPECT_EQ(settings.*key.field, "Error") << key.name;
    EXPECT_EQ(settings.DefaultDestDir, "Error");
    // Optional: never warned about, empty when missing.
    EXPECT_EQ(settings.Publisher, "");
    EXPECT_EQ(settings.Version, "");
}

TEST(ReadSetupIni, ReadsRelativeToTheCurrentDirectoryAndWarnsOnlyForMissingKeys) {
    std::string folder = MakeTestFolder("ini-partial");
    WriteWholeFile(folder + "\\SETUP.INI",
                  "[Other]\r\nCodeDir=WRONG\r\n[Setup]\r\nCodeDir=CODE\r\nDestDir=C:\\Zandel\r\n"
                  "ProductName=Error\r\nShortcutLocation=\r\nShortcutName=Zandel\r\nFileSize=250000\r\n"
                  "FilesCompressed=YES\r\nUseUnderscores=no\r\nPublisher=Zandel Press\r\nVersion=2.1\r\n");
    CurrentDirectoryScope here(folder);
    InstallSettingsRecord settings;
    Collected got;
    ReadSetupIni(settings, got.Sink());

    // A literal "Error" counts as missing; an empty value does not.
    EXPECT_EQ(got.warnings, (std::vector<std::string>{IniWarning("ProductName"), IniWarning("CommandFile"),
                                                      IniWarning("VolumeName")}));
    EXPECT_EQ(settings.CodeDir, "CODE");
    EXPECT_EQ(settings.DestDir, "C:\\Zandel");
    EXPECT_EQ(settings.DefaultDestDir, "C:\\Zandel");
    EXPECT_EQ(settings.ProductName, "Error");
    EXPECT_EQ(settings.ShortcutLocation, "");
    EXPECT_EQ(settings.CommandFile, "Error");
    EXPECT_EQ(settings.Publisher, "Zandel Press");
    EXPECT_EQ(settings.Version, "2.1");
}

TEST(ReadSetupTxt, EmptyAndMissingTextsWarnAndKeepWhatWasRead) {
    std::string folder = MakeTestFolder("txt-partial");
    std::string content = "[SetupText]\r\n";
    for (const SetupTextKey& key : SetupTextKeys) {
        std::string name = key.name;
        if (name == "AppName") continue;                       // missing
        if (name == "ExitText") content += name + "=\r\n";    // empty
        else content += name + "=Text of " + name + "\r\n";
    }
    content += "RestoreProblemText=Not put back: %s\r\n";
    WriteWholeFile(folder + "\\SETUP.TXT", content);
    CurrentDirectoryScope here(folder);
    SetupTextsRecord texts;
    Collected got;
    ReadSetupTxt(texts, got.Sink());

    EXPECT_EQ(got.warnings, (std::vector<std::string>{TxtWarning("AppName"), TxtWarning("ExitText")}));
    EXPECT_EQ(texts.AppName, "Error");
    EXPECT_EQ(texts.ExitText, "");
    EXPECT_EQ(texts.OkButton, "Text of OkButton");
    EXPECT_EQ(texts.FolderText, "Text of FolderText");
    EXPECT_EQ(texts.RestoreProblemText, "Not put back: %s") << "the optional text, read with the others";
}

// The question about a file in use, in English where the book has none of
// its own, names the buttons by the book's labels, their "&" marks gone and
// a "%" kept as written; a question of the book's own stands as written.
TEST(ReadSetupTxt, TheEnglishInUseQuestionNamesTheBooksButtons) {
    const std::string folder = MakeTestFolder("txt-in-use");
    CurrentDirectoryScope here(folder);
    for (const auto& [keys, text] : std::vector<std::pair<std::string, std::string>>{
             {"CancelButton=Stop && &Leave\r\nRetryButton=&Try 100%\r\n",
              "Setup cannot replace the file %s because another program is using it. Close that program and choose "
              "Try 100%%, or choose Stop & Leave to leave Setup."},
             {"CancelButton=&Stop\r\nFileInUseText=Held: %s\r\n", "Held: %s"}}) {
        WriteWholeFile(folder + "\\SETUP.TXT", "[SetupText]\r\n" + keys);
        SetupTextsRecord texts;
        ReadSetupTxt(texts, [](const std::string&) {});
        EXPECT_EQ(texts.FileInUseText, text) << keys;
    }
}

TEST(ReadSetupTxt, WithoutTheFileAllFortyKeysWarn) {
    CurrentDirectoryScope here(MakeTestFolder("txt-missing"));
    SetupTextsRecord texts;
    Collected got;
    ReadSetupTxt(texts, got.Sink());
    ASSERT_EQ(got.warnings.size(), 40u);
    EXPECT_EQ(got.warnings.front(), TxtWarning("OkButton"));
    EXPECT_EQ(got.warnings.back(), TxtWarning("FolderText"));
    EXPECT_EQ(texts.ScreenMessage, "Error");
    EXPECT_EQ(texts.RestoreProblemText, "") << "optional: missing, never warned about, empty for the default";
}

TEST(ReadProfileValue, LongValuesAreCutTo1023Characters) {
    std::string folder = MakeTestFolder("long-value");
    std::string value(3000, 'v');
    value[1022] = 'L';
    WriteWholeFile(folder + "\\SETUP.TXT", "[SetupText]\r\nWelcomeText=" + value + "\r\n");
    CurrentDirectoryScope here(folder);
    std::string got = ReadProfileValue(".\\SETUP.TXT", "SetupText", "WelcomeText");
    ASSERT_EQ(got.size(), 1023u);
    EXPECT_EQ(got.back(), 'L');
}

TEST(ReadEnvironment, StartDirIsTheCurrentDirectoryAndARootKeepsItsBackslash) {
    InstallSettingsRecord settings;
    {
        CurrentDirectoryScope here("C:\\");
        ReadEnvironment(settings);
    }
    EXPECT_EQ(settings.StartDir, "C:\\");

    std::string folder = MakeTestFolder("start-dir");
    {
        CurrentDirectoryScope here(folder);
        ReadEnvironment(settings);
    }
    EXPECT_EQ(settings.StartDir, folder);
    EXPECT_EQ(settings.WindowsDir, WindowsFolder());
    EXPECT_FALSE(settings.SystemDir.empty());
    // The user's shell folders of the prefix, read from the registry.
    EXPECT_NE(settings.DesktopDir.find("Desktop"), std::string::npos) << settings.DesktopDir;
    EXPECT_FALSE(settings.PersonalDir.empty());
    EXPECT_FALSE(settings.FavoritesDir.empty());

    // A value the user made name a place outside the profile is not taken
    // by a run with rights (every run under Wine), the others still are.
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    HKEY shell = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &shell), ERROR_SUCCESS);
    const std::string desktop = settings.DesktopDir, system = WindowsFolder() + "\\System32";
    RegSetValueExA(shell, "Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(system.c_str()),
                   static_cast<DWORD>(system.size() + 1));
    ReadEnvironment(settings);
    RegSetValueExA(shell, "Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(desktop.c_str()),
                   static_cast<DWORD>(desktop.size() + 1));
    RegCloseKey(shell);
    EXPECT_EQ(settings.DesktopDir, "");
    EXPECT_FALSE(settings.PersonalDir.empty());
}
}  // namespace

namespace {
// The profile reader's rules, checked against the system's own reader on the
// same bytes, in the system's code page and in UTF-16.
TEST(ProfileFile, ReadsAsTheSystemsProfileReaderDoes) {
    const char* const files[] = {
        "[Setup]\r\nCodeDir=CODE\r\n",
        "  [ Setup ]  \r\n  CodeDir  =  CODE  \r\n",             // blanks around everything
        "[setup]\r\ncodedir=code\r\n",                            // any letter case
        "[Setup]\r\nCodeDir=\"CODE\"\r\n",                       // quotes go in pairs
        "[Setup]\r\nCodeDir='CODE\"\r\n",
        "[Setup]\r\nCodeDir=\"\r\n",
        "[Setup]\r\nCodeDir=\"\"\r\n",
        "[Setup]\r\n;CodeDir=COMMENT\r\nCodeDir=CODE\r\n",        // a comment is no key of that name
        "[Setup]\r\nCodeDir=FIRST\r\nCodeDir=SECOND\r\n",         // the first of two keys
        "[Setup]\r\nOther=1\r\n[Setup]\r\nCodeDir=LATER\r\n",     // only the first section of a name
        "CodeDir=OUTSIDE\r\n[Setup]\r\n",                          // before any section
        "[Setup]\r\nCodeDir\r\n",                                  // a key without "="
        "[Setup]\r\nCodeDir==CODE=\r\n",
        "[Setup]\nCodeDir=LF\n",
        "[Setup]\r\nCodeDir=A;B # C\r\n",
        "[Setup]]\r\nCodeDir=LAST BRACKET\r\n",
        "[Setup\r\nCodeDir=NO BRACKET\r\n",
        "[Setup]\r\n\tCodeDir\t=\tTABS\t\r\n",
        "",
    };
    std::string folder = MakeTestFolder("profile-rules");
    for (const char* bytes : files) {
        WriteWholeFile(folder + "\\RULES.INI", bytes);
        char system[1024] = {};
        DWORD length = GetPrivateProfileStringA("Setup", "CodeDir", "Error", system, sizeof system,
                                                (folder + "\\RULES.INI").c_str());
        std::string ours = ProfileFile::FromBytes(bytes, 1252).Value("Setup", "CodeDir", 1252).value_or("Error");
        EXPECT_EQ(ours, std::string(system, length)) << testing::PrintToString(std::string(bytes));
        // The same file saved as "Unicode": UTF-16 after its byte-order mark.
        std::string utf16 = Utf16File(bytes);
        WriteWholeFile(folder + "\\RULES.INI", utf16);
        wchar_t wide[1024] = {};
        length = GetPrivateProfileStringW(L"Setup", L"CodeDir", L"Error", wide, 1024,
                                          WideText(folder + "\\RULES.INI").c_str());
        ours = ProfileFile::FromBytes(utf16, 1252).Value("Setup", "CodeDir", CP_UTF8).value_or("Error");
        EXPECT_EQ(ours, NarrowText({wide, length}, CP_UTF8)) << "UTF-16: " << testing::PrintToString(std::string(bytes));
    }
}

// The publisher's bytes in the code page of the system they were written
// for, or UTF-8 after a byte-order mark; the program's texts in UTF-8.
TEST(ProfileFile, DecodesThePublishersCodePageIntoTheProgramsOwn) {
    const std::string longCyrillic = [] {
        std::string text;
        for (int i = 0; i < 1500; ++i) text += "Ж";
        return text;
    }();
    const struct {
        std::string bytes;
        UINT systemCodePage;
        std::string expected;  // UTF-8
    } cases[] = {
        {"[SetupText]\r\nWelcomeText=\xDC" "bungen \xC4\xD6\xDF\r\n", 1252, "Übungen ÄÖß"},
        {"[SetupText]\r\nWelcomeText=\x83\x5C\x83\x74\x83\x67\x95\x5C\r\n", 932, "ソフト表"},
        // A byte-order mark: UTF-8 whatever the system's code page.
        {"\xEF\xBB\xBF[SetupText]\r\nWelcomeText=Книги Εισαγωγή Đọc\r\n", 1252, "Книги Εισαγωγή Đọc"},
        {"\xEF\xBB\xBF[SetupText]\r\nWelcomeText=ソフト\r\n", 932, "ソフト"},
        // Without one, UTF-8 bytes are the system's characters, as they always were.
        {"[SetupText]\r\nWelcomeText=\xC3\x9C\r\n", 1252, "Ãœ"},
        // Section and key in another letter case, the value in quotes.
        {"\xEF\xBB\xBF[SETUPTEXT]\r\nwelcometext = \"Ж\" \r\n", 1252, "Ж"},
        // The cut counts characters, not bytes: 1023 Cyrillic letters are 2046 bytes.
        {"\xEF\xBB\xBF[SetupText]\r\nWelcomeText=" + longCyrillic + "\r\n", 1252, longCyrillic.substr(0, 2046)},
        // A pair of UTF-16 units is never cut in half.
        {"\xEF\xBB\xBF[SetupText]\r\nWelcomeText=" + std::string(1022, 'x') + "\xF0\x9F\x93\x96" + "\r\n", 1252,
         std::string(1022, 'x')},
        // Saved as "Unicode" (UTF-16 little-endian, a byte-order mark): UTF-16
        // whatever the system's code page; a last odd byte is no character.
        {Utf16File("[SetupText]\r\nWelcomeText=ようこそ Книги \xF0\x9F\x93\x96\r\n"), 1252, "ようこそ Книги \xF0\x9F\x93\x96"},
        {Utf16File("[SetupText]\r\nWelcomeText=表示") + "x", 932, "表示"},
    };
    for (const auto& c : cases) {
        std::optional<std::string> value =
            ProfileFile::FromBytes(c.bytes, c.systemCodePage).Value("SetupText", "WelcomeText", CP_UTF8);
        EXPECT_EQ(value.value_or("<missing>"), c.expected) << testing::PrintToString(c.bytes.substr(0, 80));
    }
    // A lone lead byte at the end of a 932 file: the text before it is whole,
    // the byte is one character of the system's choosing.
    std::string lone = ProfileFile::FromBytes("[SetupText]\r\nWelcomeText=\x83\x5C\x95", 932)
                           .Value("SetupText", "WelcomeText", CP_UTF8)
                           .value_or("");
    EXPECT_EQ(lone.substr(0, 3), "ソ");
    EXPECT_EQ(WideText(lone, CP_UTF8).size(), 2u);
    // Readable text: valid in the system's code page, or marked UTF-8 and valid.
    EXPECT_TRUE(IsReadablePublisherText("\x83\x5C", 932));
    EXPECT_FALSE(IsReadablePublisherText("\x83", 932));
    EXPECT_TRUE(IsReadablePublisherText("\xEF\xBB\xBF\xD0\x96", 1252));
    EXPECT_FALSE(IsReadablePublisherText("\xEF\xBB\xBF\xDC", 1252));
    EXPECT_TRUE(IsReadablePublisherText(Utf16File("Ж \xF0\x9F\x93\x96"), 932));
    EXPECT_FALSE(IsReadablePublisherText(Utf16File("Ж") + "x", 932)) << "half a unit";
    EXPECT_FALSE(IsReadablePublisherText(Utf16File("Ж") + "\x3D\xD8", 932)) << "half a pair";
}
}  // namespace
