#include "uninstall/UninstallCommand.h"

#include "framework/PathText.h"
#include "record/InstallRecord.h"

namespace {
std::string WithoutTrailingBackslashes(const std::string& path) { return StripTrailingBackslashes(path); }

// Takes the switch `name` (upper case; matched in any case) off the start of
// the line when it stands there as a word of its own.
bool TakeSwitch(std::string_view& commandLine, std::string_view name) {
    size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string_view::npos || commandLine.size() < start + name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = commandLine[start + i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != name[i]) return false;
    }
    // The switch alone, not the start of a longer word.
    size_t end = start + name.size();
    if (commandLine.size() > end && commandLine[end] != ' ' && commandLine[end] != '\t') return false;
    commandLine.remove_prefix(end);
    return true;
}
}  // namespace

bool TakeQuietSwitch(std::string_view& commandLine) { return TakeSwitch(commandLine, "/S"); }

bool TakeCurrentUserSwitch(std::string_view& commandLine) { return TakeSwitch(commandLine, "/CURRENTUSER"); }

bool TakeRightsAskedSwitch(std::string_view& commandLine) { return TakeSwitch(commandLine, "/RIGHTSASKED"); }

std::optional<UninstallCommand> ParseUninstallCommand(std::string_view commandLine) {
    size_t open = commandLine.find_first_not_of(" \t");
    if (open == std::string_view::npos || commandLine[open] != '`') return std::nullopt;
    size_t close = FindChar(commandLine, '`', open + 1);
    if (close == std::string_view::npos || close == open + 1) return std::nullopt;
    if (close + 1 >= commandLine.size() || commandLine[close + 1] != ' ') return std::nullopt;
    UninstallCommand command;
    command.folder = std::string(commandLine.substr(open + 1, close - open - 1));
    command.product = std::string(commandLine.substr(close + 2));
    if (command.product.empty()) return std::nullopt;
    return command;
}

bool MayRemoveFor(const std::string& folder, const std::string& recordedFolder, const std::string& windowsFolder) {
    std::string named = WithoutTrailingBackslashes(folder);
    // "C:" alone is a root too, once its backslash is gone.
    bool fullPath = named.size() > 3 && named[1] == ':' && named[2] == '\\';
    if (!fullPath) return false;
    if (SamePath(named, WithoutTrailingBackslashes(windowsFolder))) return false;
    return SamePath(named, WithoutTrailingBackslashes(recordedFolder));
}

UninstallSwitches TakeUninstallSwitches(std::string_view& commandLine) {
    UninstallSwitches switches;
    for (bool taken = true; taken;) {
        taken = false;
        if (TakeQuietSwitch(commandLine)) taken = switches.quiet = true;
        if (TakeCurrentUserSwitch(commandLine)) taken = switches.currentUser = true;
        if (TakeRightsAskedSwitch(commandLine)) taken = switches.rightsAsked = true;
    }
    return switches;
}
