#pragma once
// Setup's command line, as an administrator or a package manager gives it:
//   /S            install without a window (an unattended install)
//   /LOG=file     write the run's log there ("/LOG="a b.log"" for a name with spaces)
//   /D=folder     the destination instead of DestDir, a full path on a drive;
//                 last on the line, it runs to the line's end, spaces
//                 included, without quotes
//   /CURRENTUSER  install for the current user alone, whatever the rights
//   /ALLUSERS     install for every user of the machine (needs administrator rights)
//   /CLOSEAPPLICATIONS  with /S: close the programs that hold a file of the
//                 book (where the system can), and start them again after
// Switch names are matched in any letter case. Window-free.
#include <string>
#include <string_view>

#include "app/InstallScopeChoice.h"

struct SetupSwitches {
    bool silent = false;
    std::string destination;  // empty: DestDir
    std::string logFile;      // empty: none (an unattended run then picks one)
    ScopeRequest scope = ScopeRequest::None;
    bool closeApplications = false;
    // The first word that is no switch of setup's (or a switch without its
    // value, or a /D= that is no full path on a drive), as it stands on the
    // line; empty when every word was understood. The words after it count.
    std::string unknown;
};

SetupSwitches ParseSetupSwitches(std::string_view commandLine);
