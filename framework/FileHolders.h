#pragma once
// What holds a file open, as the system can tell it (its Restart Manager),
// and what setup makes of that: the names shown to the reader, and whether
// it may offer to close the programs for them. Window-free.
#include <windows.h>

#include <string>
#include <vector>

// One program that holds the file: the name the reader knows it by, what
// kind of program the system takes it for, and in which session it runs.
struct HoldingProgram {
    // Restart Manager's kinds (RM_APP_TYPE).
    enum Kind : int {
        Unknown = 0,
        MainWindow = 1,
        OtherWindow = 2,
        Service = 3,
        Explorer = 4,
        Console = 5,
        Critical = 1000,
    };
    std::string name;
    int kind = Unknown;
    DWORD session = 0;
    // Which process: its id and when it started (an id alone may be taken
    // by a new process once the old one ends).
    DWORD processId = 0;
    FILETIME started = {};
};

struct FileHolders {
    // The system named the programs (Windows Vista and later); false on a
    // system without a Restart Manager, or when it could not tell.
    bool known = false;
    std::vector<HoldingProgram> programs;
    // The system says only a restart would let go of the file (RmGetList's
    // reboot reasons other than none).
    bool restartNeeded = false;
};

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
