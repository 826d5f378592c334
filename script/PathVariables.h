#pragma once
// The path variables of the command script: "%WINDOWS%" and its eight
// siblings, replaced only at the very start of a field.
#include <string>

#include "settings/InstallSettings.h"

// The field with its leading variable replaced by the value from `settings`.
// The name is matched in any case; an unknown name stays, upper-cased. When
// text follows the name, one backslash joins the two unless either side
// already has it. A field that does not begin with "%" is returned as it is.
std::string ExpandPathVariable(const std::string& field, const InstallSettingsRecord& settings);

// True when the field begins with a variable that is none of the nine: it
// stays in the field, upper-cased, and names no folder.
bool HasUnknownPathVariable(const std::string& field);

// Replaces a field of ScriptFields in place, with the values of InstallSettings.
void ExpandPathVariable(std::string& field);
