#pragma once
// What holds a file open, as the system can tell it (its Restart Manager).
// What setup and the uninstaller make of it is theirs (record/ClosingPrograms.h).
// Window-free.
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
