#pragma once
// An unattended install (/S): the install sequence without a window. The
// configuration, the free-space check, the copy, the shortcut, the uninstall
// entry and the command script are the interactive run's own; what the
// interactive run would show goes to the log, and the result is the exit
// code. A run that fails leaves nothing of itself: the copy is undone as an
// abandoned one is, and nothing is registered.
#include "app/InstallScopeChoice.h"
#include "app/SetupSwitches.h"
#include "app/SilentResult.h"
#include "record/ScopePlaces.h"

class LogFile;

// Runs in the current directory, the medium's setup folder. The log is
// opened here (the switch's file, or the default name in the temporary
// folder once the product's name is known); lines noted before come first.
// `choice`: for whom it installs, as decided from the rights and the
// switches; `places`: where that run keeps its things.
SilentResult RunSilentInstall(const SetupSwitches& switches, const ScopeChoice& choice, const ScopePlaces& places,
                              LogFile& log);
