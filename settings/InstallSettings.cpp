#include "settings/InstallSettings.h"

InstallSettingsRecord InstallSettings;

const std::array<SetupIniKey, 10> SetupIniKeys = {{
    {"CodeDir", &InstallSettingsRecord::CodeDir},
    {"DestDir", &InstallSettingsRecord::DestDir},
    {"ProductName", &InstallSettingsRecord::ProductName},
    {"ShortcutLocation", &InstallSettingsRecord::ShortcutLocation},
    {"ShortcutName", &InstallSettingsRecord::ShortcutName},
    {"FileSize", &InstallSettingsRecord::FileSize},
    {"FilesCompressed", &InstallSettingsRecord::FilesCompressed},
    {"UseUnderscores", &InstallSettingsRecord::UseUnderscores},
    {"CommandFile", &InstallSettingsRecord::CommandFile},
    {"VolumeName", &InstallSettingsRecord::VolumeName},
}};
