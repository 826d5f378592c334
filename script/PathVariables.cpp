#include "script/PathVariables.h"

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

std::string VariableValue(const std::string& upperName, const InstallSettingsRecord& settings) {
    for (const PathVariable& variable : PathVariables) {
        if (upperName != variable.name) continue;
        std::string value = settings.*variable.value;
        // A drive root such as D:\ gives D:, so that "%STARTDIR%\X" has one backslash.
        if (variable.value == &InstallSettingsRecord::StartDir && !value.empty() && value.back() == '\\')
            value.pop_back();
        return value;
    }
    return upperName;
}
}  // namespace

std::string ExpandPathVariable(const std::string& field, const InstallSettingsRecord& settings) {
    if (field.empty() || field[0] != '%') return field;

    // The system's ANSI upper-casing keeps every byte in place, so positions
    // found in the copy hold in the field as written.
    std::string upper = field;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    size_t close = upper.find('%', 1);
    size_t nameLength = close == std::string::npos ? upper.size() : close + 1;

    std::string result = VariableValue(upper.substr(0, nameLength), settings);
    if (nameLength < field.size()) {
        bool joined = (!result.empty() && result.back() == '\\') || field[nameLength] == '\\';
        if (!joined) result += '\\';
        result.append(field, nameLength, std::string::npos);
    }
    return result;
}

void ExpandPathVariable(std::string& field) { field = ExpandPathVariable(field, InstallSettings); }
