#pragma once
// The uninstall registration's tests: a stand-in uninstaller on a medium
// folder, a folder standing in for the Windows folder, and the entry's values
// read back by name.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <vector>

#include "TestFiles.h"
#include "app/UninstallerVersion.h"
#include "record/InstallRecord.h"
#include "record/RecordFile.h"
#include "record/RecordStore.h"
#include "record/ScopePlaces.h"
#include "record/SetupRunRecord.h"
#include "record/SharedFiles.h"
#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "app/UninstallRegistration.h"

inline constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The key's values by name (Wine lists them sorted, so their order cannot be seen).
inline std::map<std::string, std::string> ReadEntry(const std::string& product) {
    std::map<std::string, std::string> values;
    // Opened by name below Uninstall: the whole path of a long name is past
    // what the ANSI call takes.
    HKEY uninstall, key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &uninstall) != ERROR_SUCCESS) return values;
    LONG opened = RegOpenKeyExA(uninstall, product.c_str(), 0, KEY_READ, &key);
    RegCloseKey(uninstall);
    if (opened != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        std::vector<char> data(4096);
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataSize) !=
            ERROR_SUCCESS)
            break;
        // The install record, beside the four values, has tests of its own.
        if (std::string(name) == "InstallRecord") continue;
        if (type == REG_DWORD && dataSize == sizeof(DWORD)) {
            DWORD number = 0;
            memcpy(&number, data.data(), sizeof number);
            values[name] = "dword:" + std::to_string(number);
            continue;
        }
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
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
        places = MachinePlaces();
        places.uninstallerFolder = windows;
        InstallSettings.InstallPath = "C:\\Book Files\\Zandel";
        InstallSettings.ProductName = "Zandel Test Companion";
        SetupTexts.UninstallText = "Remove it?";
        SetupTexts.UninstallProblemText = "Could not remove everything.";
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + InstallSettings.ProductName).c_str());
        ForgetRunRecord();
        SetSharedCount(Uninstaller(), 0, places);
    }
    void TearDown() override {
        ForgetRunRecord();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + InstallSettings.ProductName).c_str());
        SetSharedCount(Uninstaller(), 0, places);
    }
    std::string Uninstaller() const { return windows + "\\XOVUNIN.EXE"; }
    std::string medium, windows;
    ScopePlaces places;  // the machine's, with the Windows folder above
};

// The four values, the quiet command the system's package tools run (the
// same command with /S before the folder), the uninstaller's path quoted, and
// what the system's list shows: the folder, icon, date, size in KB rounded up
// (2,049 bytes are 3 KB; 1,024 are 1 and 1,025 are 2), publisher and version,
// no Modify or Repair. A publisher and version the medium no longer names go
