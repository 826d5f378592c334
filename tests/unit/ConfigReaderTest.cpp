#include "settings/ConfigReader.h"

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
}

TEST(ReadSetupIni, ReadsRelativeToTheCurrentDirectoryAndWarnsOnlyForMissingKeys) {
    std::string folder = MakeTestFolder("ini-partial");
    WriteWholeFile(folder + "\\SETUP.INI",
                  "[Other]\r\nCodeDir=WRONG\r\n[Setup]\r\nCodeDir=CODE\r\nDestDir=C:\\Zandel\r\n"
                  "ProductName=Error\r\nShortcutLocation=\r\nShortcutName=Zandel\r\nFileSize=250000\r\n"
                  "FilesCompressed=YES\r\nUseUnderscores=no\r\n");
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
}
}  // namespace
