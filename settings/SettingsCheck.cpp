#include "settings/SettingsCheck.h"

#include <windows.h>

#include <cstdint>

#include "framework/SafeFormat.h"
#include "framework/AnsiText.h"

namespace {
bool IsIllegal(unsigned char c) { return (c >= 1 && c <= 31) || c == '?' || c == '*' || c == ':'; }


std::string IllegalCharacterMessage(const std::string& value, char c) {
    return StringPrintf(
        "The '%s' entry in SETUP.INI is invalid because\nit contains the illegal character '%c'.\n"
        "(Directory names cannot contain this character.)",
        value.c_str(), c);
}

// The first illegal character of the text, or 0.
char FirstIllegal(const std::string& text) {
    for (char c : text)
        if (IsIllegal(static_cast<unsigned char>(c))) return c;
    return 0;
}
}  // namespace

long ParseFileSize(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10u + uint32_t(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

SettingsCheckResult CheckSettings(const InstallSettingsRecord& settings) {
    SettingsCheckResult result;
    std::vector<std::string>& messages = result.messages;
    // Each group of checks names its key for the messages it added.
    auto about = [&result](const char* key) { result.keys.resize(result.messages.size(), key); };

    if (char c = FirstIllegal(settings.CodeDir)) messages.push_back(IllegalCharacterMessage(settings.CodeDir, c));
    about("CodeDir");

    const std::string& dest = settings.DestDir;
    if (!(dest.size() >= 3 && dest[1] == ':' && dest[2] == '\\'))
        messages.push_back(StringPrintf(
            "The '%s' entry in SETUP.INI looks suspicious.\nIt should be an entry like 'C:\\Zandel'.", dest.c_str()));
    std::string destFolder = dest.size() > 3 ? dest.substr(3) : std::string();
    if (char c = FirstIllegal(destFolder)) messages.push_back(IllegalCharacterMessage(destFolder, c));
    about("DestDir");

    std::string location = UpperAnsi(settings.ShortcutLocation);
    if (location != "NULL" && location != "DESKTOP" && location != "MY DOCUMENTS" && location != "FAVORITES")
        messages.push_back(StringPrintf("The '%s' entry in SETUP.INI looks suspicious.\nIt should be either 'NULL,' "
                                        "'Favorites,' 'My Documents,' or 'Desktop.'",
                                        location.c_str()));
    about("ShortcutLocation");

    std::string size = UpperAnsi(settings.FileSize);
    for (char c : size) {
        if (c < '0' || c > '9') {
            messages.push_back(StringPrintf("The '%s' entry in SETUP.INI invalid because\nit contains the illegal "
                                            "character '%c'.\n(This entry is the total size of the installed files.)",
                                            size.c_str(), c));
            break;
        }
    }
    long bytes = ParseFileSize(size);
    if (bytes < 60000 || bytes > 620000000)
        messages.push_back(StringPrintf("The '%s' entry in SETUP.INI is suspiciously small or large.\n(This entry is "
                                        "the total size of the installed files.)",
                                        size.c_str()));
    about("FileSize");

    result.filesCompressed = UpperAnsi(settings.FilesCompressed) == "YES";
    result.useUnderscores = UpperAnsi(settings.UseUnderscores) == "YES";

    if (!messages.empty())
        messages.push_back(
            "At least one entry in SETUP.INI is suspicious.\nSetup will continue, but the results will be "
            "unpredictable.");
    about("");
    return result;
}
