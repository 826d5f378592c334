#pragma once
// The plausibility check of SETUP.INI: it never changes a value, it only
// tells what looks wrong and derives the two switches.
#include <string>
#include <vector>

#include "settings/InstallSettings.h"

struct SettingsCheckResult {
    std::vector<std::string> messages;  // in the order they are shown, the summary last
    bool filesCompressed = false;
    bool useUnderscores = false;
};

SettingsCheckResult CheckSettings(const InstallSettingsRecord& settings);

// Checks InstallSettings, shows each message with the stop icon and sets the switches.
void ValidateSettings();

// FileSize as a signed 32-bit number: leading blanks, one sign, digits up to
// the first non-digit, wrapping rather than failing on overflow.
long ParseFileSize(const std::string& text);
