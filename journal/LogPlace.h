#pragma once
// Where a run's log goes when no /LOG= names one. An elevated run never
// keeps it in the user's places: the temporary folder is the user's to
// change, unelevated too, and a link put there would lead the
// administrator's write (and the removal of what stood at the log's name)
// anywhere. It goes where the run's journals go, the machine's journals'
// folder in the Windows folder, which setup makes with rights of its own
// (only the system and the administrators write there, the users read). A
// run without elevation keeps its log in the temporary folder. Window-free.
#include <string>
#include <vector>

#include "record/ScopePlaces.h"

// The log's full path ("<program>-<product>.log", LogFileName), the machine's
// journals' folder made when missing for an elevated run; empty when the
// system names no such folder or it cannot be had. `notes` hears what making
// the journals' folder met (for the log).
std::string DefaultRunLogPath(const std::string& program, const std::string& product, const ScopePlaces& places,
                              std::vector<std::string>* notes);
