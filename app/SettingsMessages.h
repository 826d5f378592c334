#pragma once
// The plausibility check of SETUP.INI as the user meets it at start-up.
#include <functional>
#include <string>

// Where a message of the check goes: by default a message box with the stop
// icon; an unattended run writes it to its log.
using SettingsMessage = std::function<void(const std::string& message)>;

// Checks InstallSettings, tells each message and sets the switches.
void ValidateSettings(const SettingsMessage& tell = {});
