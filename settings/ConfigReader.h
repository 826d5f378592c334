#pragma once
// Reading the machine's directories and the two profile files of the medium.
#include <functional>
#include <string>

#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"

// Told the warning text of each missing key, before the next key is read.
using MissingKeyWarning = std::function<void(const std::string& warning)>;

// StartDir, SystemDir, WindowsDir and the user's three shell folders.
void ReadEnvironment(InstallSettingsRecord& settings);
// The ten [Setup] values of .\SETUP.INI, then DefaultDestDir, then the two
// optional ones (Publisher, Version).
void ReadSetupIni(InstallSettingsRecord& settings, const MissingKeyWarning& warn);
// The forty [SetupText] values of .\SETUP.TXT.
void ReadSetupTxt(SetupTextsRecord& texts, const MissingKeyWarning& warn);

// One value of a profile file as the medium's files are read (in the
// publisher's code page): "Error" when the key is missing, at most 1023 characters.
std::string ReadProfileValue(const char* file, const char* section, const char* key);
