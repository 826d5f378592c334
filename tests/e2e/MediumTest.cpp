// The medium builder, read back as setup reads its files: through the
// platform's profile reader.

#include <gtest/gtest.h>
#include <windows.h>

#include "Medium.h"

namespace {
std::string Profile(const std::string& file, const char* section, const char* key) {
    char value[1024] = {};
    GetPrivateProfileStringA(section, key, "Error", value, sizeof value, file.c_str());
    return value;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(Medium, ChangesOnlyWhatTheScenarioAsksFor) {
    Medium medium("MediumTest");
    medium.SetIni("FileSize", "12k")
        .SetIni("NewKey", "")
        .RemoveIni("CommandFile")
        .SetTxt("WelcomeText", "100%% %s")
        .RemoveTxt("OkButton")
        .Omit("CODE\\CHAP_1")
        .AddFile("CODE\\EXTRA\\NEW.TXT", "new\r\n")
        .AddCopy("XOVUNIN.EXE", SETUP_EXE);
    std::string path = medium.Build();
    ASSERT_FALSE(path.empty());
    const std::string ini = path + "\\SETUP.INI", txt = path + "\\SETUP.TXT";

    struct {
        const std::string& file;
        const char* section;
        const char* key;
        const char* expected;
    } const cases[] = {
        {ini, "Setup", "FileSize", "12k"},         {ini, "Setup", "NewKey", ""},
        {ini, "Setup", "CommandFile", "Error"},    {ini, "Setup", "CodeDir", "CODE"},
        {ini, "Setup", "DestDir", "C:\\Zandel"},   {txt, "SetupText", "WelcomeText", "100%% %s"},
        {txt, "SetupText", "OkButton", "Error"},   {txt, "SetupText", "CancelButton", "Cancel"},
        {txt, "SetupText", "FolderText", "Destination Folder"},
    };
    for (const auto& c : cases) EXPECT_EQ(Profile(c.file, c.section, c.key), c.expected) << c.key;

    EXPECT_FALSE(Exists(path + "\\CODE\\CHAP_1"));
    EXPECT_TRUE(Exists(path + "\\CODE\\CHAP_2\\DATA\\TABLE.DAT"));
    EXPECT_EQ(ReadWholeFile(path + "\\CODE\\EXTRA\\NEW.TXT"), "new\r\n");
    EXPECT_EQ(ReadWholeFile(path + "\\XOVUNIN.EXE"), ReadWholeFile(SETUP_EXE));

    // Built again, the folder holds the sample and nothing of the last build.
    Medium plain("MediumTest");
    ASSERT_EQ(plain.Build(), path);
    EXPECT_TRUE(Exists(path + "\\CODE\\CHAP_1\\HELLO.C"));
    EXPECT_FALSE(Exists(path + "\\XOVUNIN.EXE"));
    EXPECT_EQ(Profile(ini, "Setup", "CommandFile"), "SCRIPT.TXT");

    // Without the file, a set key makes a new one with its section.
    Medium fresh("MediumTest");
    fresh.Omit("SETUP.TXT").AddFile("SETUP.TXT", "").SetTxt("OkButton", "Go");
    ASSERT_FALSE(fresh.Build().empty());
    EXPECT_EQ(Profile(txt, "SetupText", "OkButton"), "Go");
}
