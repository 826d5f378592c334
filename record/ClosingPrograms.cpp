#include "record/ClosingPrograms.h"

#include <algorithm>
#include <tuple>

#include "framework/PathText.h"
#include "framework/SafeFormat.h"

bool MayOfferToClose(const FileHolders& holders, DWORD ownSession) {
    if (!holders.known || holders.programs.empty() || holders.restartNeeded) return false;
    return std::all_of(holders.programs.begin(), holders.programs.end(), [ownSession](const HoldingProgram& p) {
        return p.kind != HoldingProgram::Critical && p.kind != HoldingProgram::Unknown && p.session == ownSession;
    });
}

bool SameHolders(const FileHolders& shown, const FileHolders& now) {
    if (!shown.known || !now.known) return false;
    auto key = [](const HoldingProgram& p) {
        return std::make_tuple(p.processId, p.started.dwHighDateTime, p.started.dwLowDateTime);
    };
    std::vector<decltype(key(HoldingProgram{}))> a, b;
    for (const HoldingProgram& p : shown.programs) a.push_back(key(p));
    for (const HoldingProgram& p : now.programs) b.push_back(key(p));
    // One process may hold the file by two handles: each counts once.
    for (auto* list : {&a, &b}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    return a == b;
}

bool RestartsClosedPrograms(bool administratorRights) { return !administratorRights; }

namespace {
// A name as the list shows it: never empty, never longer than `chars` bytes.
std::string ShownName(const std::string& name, size_t chars) {
    if (name.empty()) return "?";
    if (name.size() <= chars) return name;
    // Cut after a whole character: never half of a double-byte or UTF-8 one.
    size_t end = 0;
    for (size_t next; (next = NextCharIndex(name, end)) <= chars && next > end;) end = next;
    return name.substr(0, end);
}

// The names each once, in the order named (one program may hold a file by two handles).
std::vector<std::string> DistinctNames(const FileHolders& holders, size_t chars) {
    std::vector<std::string> names;
    for (const HoldingProgram& program : holders.programs) {
        std::string name = ShownName(program.name, chars);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    }
    return names;
}
}  // namespace

std::string ProgramList(const FileHolders& holders, size_t shown, size_t nameChars) {
    std::vector<std::string> names = DistinctNames(holders, nameChars);
    std::string list;
    for (size_t i = 0; i < names.size() && i < shown; ++i) {
        if (!list.empty()) list += "\r\n";
        list += names[i];
    }
    if (names.size() > shown) list += StringPrintf("\r\n(and %u more)", static_cast<unsigned>(names.size() - shown));
    return list;
}

std::string ProgramsOnOneLine(const FileHolders& holders) {
    std::vector<std::string> names = DistinctNames(holders, 80);
    if (names.empty()) return "programs the system cannot name";
    std::string line;
    for (const std::string& name : names) line += (line.empty() ? "" : ", ") + name;
    return line;
}
