#pragma once
// What the reader (or the run's log) is told after the copy beyond the
// book's own texts: the medium's names this system cannot write whole, and
// the programs setup closed and did not start again. Window-free.
#include <string>
#include <vector>

#include "engine/CopyOutcome.h"

// Empty when the copy met no such name.
std::string NamesNotWholeText(const CopyOutcome& outcome);
// Empty when setup closed nothing that it left closed.
std::string ClosedProgramsText(const CopyOutcome& outcome);
