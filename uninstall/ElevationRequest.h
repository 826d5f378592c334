#pragma once
// Whether the uninstaller asks the system for administrator rights before it
// removes a book, and the asking. The uninstaller starts with the rights of
// whoever starts it, so that a reader removes a book of their own without a
// prompt; a book of the machine needs an administrator.
#include <windows.h>

#include <string>
#include <string_view>

// What a run does about its rights before it removes anything.
enum class RightsStep {
    // Goes on with the rights it has.
    Remove,
    // Starts this program again through the system's request for rights
    // ("run as administrator"), waits for it and ends with its exit code.
    AskForRights,
    // Removes nothing and says so: a book of the machine, and rights were
    // asked for once already without this run getting them.
    Refuse,
};

// `currentUserBook`: the command line names a book of the current user
// (/CURRENTUSER), whose entry, counts and journals are that user's own: it
// never asks, for an administrator's run would look at the administrator's
// entries, not the reader's. `hasAdministratorRights`: this run's token.
// `rightsAsked`: this run is the one the request started, which never asks
// again (where the system runs it without rights all the same, asking again
// would start it again without end).
RightsStep RightsStepFor(bool currentUserBook, bool hasAdministratorRights, bool rightsAsked);

// The arguments of a process's command line, as they were given: what
// follows the program's name (quoted, or up to the first blank) and the
// blanks after it.
std::wstring_view ArgumentsOf(std::wstring_view commandLine);

// How the request for rights went.
struct RightsRequest {
    // The program ran again with rights and ended with `exitCode`.
    bool ran = false;
    DWORD exitCode = 0;
    // Otherwise the system's error: ERROR_CANCELLED when the reader (or an
    // administrator asked for a password) said no.
    DWORD error = 0;
};

// Starts this program again with `arguments` through the system's request
// for rights and waits for it to end. `quiet`: the system shows no error
// message of its own (its prompt for rights still shows).
RightsRequest RunAgainWithRights(const std::wstring& arguments, bool quiet);
