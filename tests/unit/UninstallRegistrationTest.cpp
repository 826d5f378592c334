#include "app/UninstallRegistration.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "TestFiles.h"
#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"

namespace {
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The key's values by name (Wine lists them sorted, so their order cannot be seen).
std::map<std::string, std::string> ReadEntry(const std::string& product) {
    std::map<std::string, std::string> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        std::vector<char> data(4096);
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataSize) !=
            ERROR_SUCCESS)
            break;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_GT(dataSize, 0u);
        EXPECT_EQ(data[dataSize - 1], '\0') << "stored with its terminating zero";
        values[name] = data.data();
    }
    RegCloseKey(key);
    return values;
}

class UninstallRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        medium = MakeTestFolder("uninstall-medium");
        windows = MakeTestFolder("uninstall-windows");
        WriteWholeFile(medium + "\\XOVUNIN.EXE", "stand-in uninstaller");
        InstallSettings = InstallSettingsRecord();
        InstallSettings.WindowsDir = windows;
        InstallSettings.InstallPath = "C:\\Book Files\\Zandel";
        InstallSettings.ProductName = "Zandel Test Companion";
        SetupTexts.UninstallText = "Remove it?";
        SetupTexts.UninstallProblemText = "Could not remove everything.";
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + InstallSettings.ProductName).c_str());
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + InstallSettings.ProductName).c_str());
    }
    std::string medium, windows;
};

TEST_F(UninstallRegistration, CopiesTheUninstallerAndWritesTheFourValues) {
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller();
    }
    EXPECT_EQ(FileContent(windows + "\\XOVUNIN.EXE"), "stand-in uninstaller");
    EXPECT_EQ(ReadEntry("Zandel Test Companion"),
              (std::map<std::string, std::string>{
                  {"DisplayName", "Zandel Test Companion"},
                  {"UninstallString", windows + "\\XOVUNIN.EXE `C:\\Book Files\\Zandel` Zandel Test Companion"},
                  {"UninstallText", "Remove it?"},
                  {"UninstallProblemText", "Could not remove everything."},
              }));
}

TEST_F(UninstallRegistration, AWindowsDirectoryEndingInABackslashGetsNoSecondOne) {
    InstallSettings.WindowsDir = windows + "\\";
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller();
    }
    std::string command = ReadEntry("Zandel Test Companion")["UninstallString"];
    EXPECT_EQ(command.find("\\\\"), std::string::npos) << command;
    EXPECT_EQ(command.find(windows + "\\XOVUNIN.EXE `"), 0u) << command;
    EXPECT_EQ(FileContent(windows + "\\XOVUNIN.EXE"), "stand-in uninstaller");
}

TEST_F(UninstallRegistration, WithoutTheUninstallerNothingIsWritten) {
    DeleteFileA((medium + "\\XOVUNIN.EXE").c_str());
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller();
    }
    EXPECT_TRUE(ReadEntry("Zandel Test Companion").empty());
    EXPECT_EQ(GetFileAttributesA((windows + "\\XOVUNIN.EXE").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UninstallRegistration, ValuesLongerThan255CharactersAreWrittenInFull) {
    InstallSettings.InstallPath = "C:\\" + std::string(300, 'p');
    SetupTexts.UninstallText = std::string(400, 't');
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller();
    }
    auto entry = ReadEntry("Zandel Test Companion");
    EXPECT_NE(entry["UninstallString"].find("`C:\\" + std::string(300, 'p') + "` Zandel Test Companion"),
              std::string::npos);
    EXPECT_EQ(entry["UninstallText"], std::string(400, 't'));
}
}  // namespace
