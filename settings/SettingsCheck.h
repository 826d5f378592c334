#pragma once
// The plausibility check of SETUP.INI: it never changes a value, it only
// tells what looks wrong and derives the two switches. Window-free: setup
// shows its messages, the publisher's checker prints them.
#include <string>
#include <vector>

#include "settings/InstallSettings.h"

struct SettingsCheckResult {
    std::vector<std::string> messages;  // in the order they are shown, the summary last
    std::vector<std::string> keys;      // the key each message is about, "" for the summary
    bool filesCompressed = false;
    bool useUnderscores = false;
};

SettingsCheckResult CheckSettings(const InstallSettingsRecord& settings);

// FileSize as a signed 32-bit number: leading blanks, one sign, digits up to
// the first non-digit, wrapping rather than failing on overflow.
long ParseFileSize(const std::string& text);
