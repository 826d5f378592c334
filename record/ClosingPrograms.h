#pragma once
// What setup and its uninstaller make of the programs that hold a file open:
// whether the reader may be offered to close them, whether those closed are
// the ones the reader was shown, whether they are started again, and their
// names as the reader and the log see them. Window-free.
#include <windows.h>

#include <string>

#include "framework/FileHolders.h"

// Whether setup may offer to close the programs for the reader: only when
// the system named every one of them, none is a part of the system itself
// (critical) or of a kind it cannot say, none runs in another user's session
// (whose work the reader cannot speak for), and closing them would free the
// file without a restart.
bool MayOfferToClose(const FileHolders& holders, DWORD ownSession);

// Whether the programs holding the file now are the very processes the
// reader was shown (each by its id and start, in any order): only those are
// closed, and a change is put to the reader again first.
bool SameHolders(const FileHolders& shown, const FileHolders& now);

// Whether setup starts again the programs it closed, once the copy has
// ended. The system starts them from setup's own process, on command lines
// they registered themselves, and its documents promise no fewer rights than
// setup's: a run with administrator rights never does, and names them for
// the reader to start.
bool RestartsClosedPrograms(bool administratorRights);

// The programs' names one a line, each once, in the order named, at most
// `shown` of them and then a line saying how many more; a name is cut to
// `nameChars` bytes (after a whole character). Empty when none was named.
std::string ProgramList(const FileHolders& holders, size_t shown = 8, size_t nameChars = 80);

// The programs on one line for a log: "Notepad, Adobe Reader"; "programs the
// system cannot name" when it could not tell.
std::string ProgramsOnOneLine(const FileHolders& holders);
