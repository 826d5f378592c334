#pragma once
// What the uninstaller is told on its command line, and whether it may act on
// it. Window-free.
#include <optional>
#include <string>
#include <string_view>

// The command line the uninstall entry gives: `install folder` product name.
struct UninstallCommand {
    std::string folder;
    std::string product;
};

// The switch /S (in any case) at the start of the line, as the entry's
// QuietUninstallString gives it: removal without the question and without a
// message box. True when it was there; it is then taken off `commandLine`.
bool TakeQuietSwitch(std::string_view& commandLine);

// The switch /CURRENTUSER (in any case) at the start of the line, as the
// entry of a book installed for the current user alone gives it: the entry,
// the counts and the journals are then that user's, and the machine's are
// never looked at. Without it the book is the machine's, as every entry of
// earlier setups is. True when it was there; it is then taken off `commandLine`.
bool TakeCurrentUserSwitch(std::string_view& commandLine);

// The switch /RIGHTSASKED (in any case) at the start of the line: this run
// was started by the uninstaller's own request for administrator rights (it
// comes before the command line it was given, which follows unchanged), and
// never asks again. True when it was there; it is then taken off `commandLine`.
bool TakeRightsAskedSwitch(std::string_view& commandLine);

// The switches before the folder, in any order, each taken off `commandLine`.
struct UninstallSwitches {
    bool quiet = false;
    bool currentUser = false;
    bool rightsAsked = false;
};
UninstallSwitches TakeUninstallSwitches(std::string_view& commandLine);

// The switch as the request for rights puts it before the command line.
constexpr wchar_t kRightsAskedSwitch[] = L"/RIGHTSASKED";

// The folder between the first two back-quotes and, after the one space that
// follows the closing back-quote, the product name to the end of the line
// (as registered: spaces inside or around it belong to it). Nothing when the
// line is not of that form or either part is empty.
std::optional<UninstallCommand> ParseUninstallCommand(std::string_view commandLine);

// Whether files may be removed for a command naming `folder`: it must be the
// install folder of the record, a full path on a drive, neither a drive's
// root nor the Windows folder. A trailing backslash does not count.
bool MayRemoveFor(const std::string& folder, const std::string& recordedFolder, const std::string& windowsFolder);
