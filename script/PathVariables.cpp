#include "script/PathVariables.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"

#include <windows.h>

namespace {
struct PathVariable {
    const char* name;
    std::string InstallSettingsRecord::*value;
};

const PathVariable PathVariables[] = {
    {"%SYSTEM%", &InstallSettingsRecord::SystemDir},
    {"%WINDOWS%", &InstallSettingsRecord::WindowsDir},
    {"%STARTDIR%", &InstallSettingsRecord::StartDir},
    {"%INSTALLDRIVE%", &InstallSettingsRecord::InstallDrive},
    {"%INSTALLDIR%", &InstallSettingsRecord::InstallDir},
    {"%INSTALLPATH%", &InstallSettingsRecord::InstallPath},
    {"%DESKTOP%", &InstallSettingsRecord::DesktopDir},
    {"%FAVORITES%", &InstallSettingsRecord::FavoritesDir},
    {"%MYDOCUMENTS%", &InstallSettingsRecord::PersonalDir},
};

// The variable's name at the start of the field, upper-cased with the
// system's ANSI upper-casing, which keeps every byte in place.
std::string LeadingName(const std::string& field) {
    std::string upper = UpperAnsi(field);
    size_t close = FindChar(upper, '%', 1);
    return upper.substr(0, close == std::string::npos ? upper.size() : close + 1);
}

const PathVariable* FindVariable(const std::string& upperName) {
    for (const PathVariable& variable : PathVariables)
        if (upperName == variable.name) return &variable;
    return nullptr;
}

std::string VariableValue(const std::string& upperName, const InstallSettingsRecord& settings) {
    const PathVariable* variable = FindVariable(upperName);
    if (!variable) return upperName;
    std::string value = settings.*variable->value;
    // A drive root such as D:\ gives D:, so that "%STARTDIR%\X" has one backslash.
    if (variable->value == &InstallSettingsRecord::StartDir && EndsWithBackslash(value))
        value.pop_back();
    return value;
}
}  // namespace

std::string ExpandPathVariable(const std::string& field, const InstallSettingsRecord& settings) {
    if (field.empty() || field[0] != '%') return field;

    std::string name = LeadingName(field);
    size_t nameLength = name.size();
    std::string result = VariableValue(name, settings);
    if (nameLength < field.size()) {
        bool joined = EndsWithBackslash(result) || StartsWithBackslash(std::string_view(field).substr(nameLength));
        if (!joined) result += '\\';
        result.append(field, nameLength, std::string::npos);
    }
    return result;
}

void ExpandPathVariable(std::string& field) { field = ExpandPathVariable(field, InstallSettings); }

bool HasUnknownPathVariable(const std::string& field) {
    return !field.empty() && field[0] == '%' && !FindVariable(LeadingName(field));
}
