#include "journal/LogPlace.h"

#include "framework/LogFile.h"
#include "framework/PathText.h"
#include "journal/JournalTrust.h"

std::string DefaultRunLogPath(const std::string& program, const std::string& product, const ScopePlaces& places,
                              std::vector<std::string>* notes) {
    if (!places.elevated) return DefaultLogPath(program, product);
    // Never the user's folder in its stead: without the machine's folder the
    // run goes on unlogged.
    if (!places.journals.machine) return {};
    const std::string folder = MakeOwnJournalFolder(places.journals, OwnerJudge(places.journals), notes);
    return folder.empty() ? std::string() : JoinPath(folder, LogFileName(program, product));
}
