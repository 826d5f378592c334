#include "app/SetupSwitches.h"

#include "framework/PathText.h"

namespace {
// Blanks and quotes are bytes below 0x40, which no double-byte character
// holds as its second byte: the line may be read byte by byte for them.
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char ToUpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether `word` starts with the switch `name` (its letters in any case).
bool StartsWithSwitch(std::string_view word, std::string_view name) {
    if (word.size() < name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (ToUpperAscii(word[i]) != name[i]) return false;
    return true;
}
}  // namespace

SetupSwitches ParseSetupSwitches(std::string_view line) {
    SetupSwitches switches;
    size_t at = 0;
    // Every word is read, past one that is not understood: a /LOG= after it still counts.
    auto refuse = [&switches](std::string_view word) {
        if (switches.unknown.empty()) switches.unknown = std::string(word);
    };
    for (;;) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at >= line.size()) break;
        std::string_view rest = line.substr(at);
        // A launcher that quotes each argument with a space in it passes
        // "/D=C:\Acme Files": taken as /D=C:\Acme Files, as is /D="C:\Acme Files".
        bool quotedWhole = StartsWithSwitch(rest, "\"/D=");
        if (quotedWhole || StartsWithSwitch(rest, "/D=")) {
            // The folder is the rest of the line, as typed: spaces inside it
            // belong to it, and only blanks at its end go.
            std::string_view typed = rest;
            while (!typed.empty() && IsBlank(typed.back())) typed.remove_suffix(1);
            std::string_view folder = typed.substr(quotedWhole ? 4 : 3);
            if (!quotedWhole && !folder.empty() && folder.front() == '"') {
                quotedWhole = true;
                folder.remove_prefix(1);
            }
            bool closed = !quotedWhole || (!folder.empty() && folder.back() == '"');
            if (quotedWhole && closed) folder.remove_suffix(1);
            // A full path on a drive, as the free-space check and the
            // uninstaller need it: nothing relative to the medium's folder,
            // and no quote, which no folder name holds.
            bool onDrive = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\';
            if (closed && onDrive && FindChar(folder, '"') == std::string_view::npos)
                switches.destination = std::string(folder);
            else
                refuse(typed);
            break;
        }
        // Any other word ends at the next blank, or a quoted value at its closing quote.
        size_t end = at;
        bool quoted = false;
        while (end < line.size() && (quoted || !IsBlank(line[end]))) {
            if (line[end] == '"') quoted = !quoted;
            ++end;
        }
        std::string_view word = line.substr(at, end - at);
        at = end;
        // Quoted whole by a launcher ("/LOG=C:\My Logs\run.log"): the word inside counts.
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"') word = word.substr(1, word.size() - 2);
        ScopeRequest scope = word.size() == 12 && StartsWithSwitch(word, "/CURRENTUSER") ? ScopeRequest::CurrentUser
                             : word.size() == 9 && StartsWithSwitch(word, "/ALLUSERS")   ? ScopeRequest::AllUsers
                                                                                        : ScopeRequest::None;
        if (word.size() == 2 && StartsWithSwitch(word, "/S")) {
            switches.silent = true;
        } else if (word.size() == 18 && StartsWithSwitch(word, "/CLOSEAPPLICATIONS")) {
            switches.closeApplications = true;
        } else if (scope != ScopeRequest::None) {
            // Both on one line ask two things: the second is not understood.
            if (switches.scope != ScopeRequest::None && switches.scope != scope)
                refuse(word);
            else
                switches.scope = scope;
        } else if (StartsWithSwitch(word, "/LOG=")) {
            std::string value(word.substr(5));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
            if (value.empty() || FindChar(value, '"') != std::string::npos)
                refuse(word);
            else
                switches.logFile = value;
        } else {
            refuse(word);
        }
    }
    return switches;
}
