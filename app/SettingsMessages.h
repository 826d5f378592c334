#pragma once
// The plausibility check of SETUP.INI as the user meets it at start-up.

// Checks InstallSettings, shows each message with the stop icon and sets the switches.
void ValidateSettings();
