#include "engine/CopyNotices.h"

namespace {
std::string Lines(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) list.append("\r\n").append(item);
    return list;
}
}  // namespace

std::string NamesNotWholeText(const CopyOutcome& outcome) {
    if (outcome.namesNotWhole.empty()) return {};
    return "These names on the medium cannot be written whole in this system's code page, and were not installed "
           "(\"?\" stands for what it lacks):\r\n" +
           Lines(outcome.namesNotWhole);
}

std::string ClosedProgramsText(const CopyOutcome& outcome) {
    if (outcome.closedPrograms.empty()) return {};
    return "Setup closed these programs so that it could replace files they held. Start them again when you "
           "need them:\r\n" +
           Lines(outcome.closedPrograms);
}
