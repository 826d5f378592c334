#pragma once
// What to install and where: the SETUP.INI values, the directories found at
// start, the chosen destination and the two switches.
#include <array>
#include <string>

struct InstallSettingsRecord {
    // The ten values of SETUP.INI's [Setup] section, as read ("Error" when missing).
    std::string CodeDir;
    std::string DestDir;
    std::string ProductName;
    std::string ShortcutLocation;
    std::string ShortcutName;
    std::string FileSize;
    std::string FilesCompressed;
    std::string UseUnderscores;
    std::string CommandFile;
    std::string VolumeName;
    // Two optional values of [Setup], for the system's list of installed
    // software: empty when missing, never warned about.
    std::string Publisher;
    std::string Version;

    std::string StartDir;
    std::string SystemDir;
    std::string WindowsDir;
    std::string FavoritesDir;
    std::string DesktopDir;
    std::string PersonalDir;

    std::string DefaultDestDir;
    std::string InstallPath;
    std::string InstallDrive;
    std::string InstallDir;

    bool FilesCompressedFlag = false;
    bool UseUnderscoresFlag = false;
};

extern InstallSettingsRecord InstallSettings;

struct SetupIniKey {
    const char* name;
    std::string InstallSettingsRecord::*field;
};

// The keys of SETUP.INI in the order they are read and reported.
extern const std::array<SetupIniKey, 10> SetupIniKeys;
