#pragma once
// The publisher's check of a medium folder: everything the reader would meet
// as a message, a missing file or a wrong size, found before the medium
// ships, with the settings reading, check and script parsing setup runs.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/FileSignature.h"

struct Finding {
    bool error;        // an error the reader meets; otherwise a warning
    std::string text;  // one line, naming the key, the file or the script line
};

struct MediumCheckResult {
    bool ran = false;            // false when the folder is not there
    std::vector<Finding> findings;
    // What the system's list of installed software will show of the book
    // beside its name, from SETUP.INI's optional keys: "Publisher: ...",
    // "Version: ..."; a key that is missing shows nothing.
    std::vector<std::string> listed;
    // How each of the publisher's files is written, as setup reads it:
    // "SETUP.TXT: UTF-16 little-endian with a byte-order mark".
    std::vector<std::string> encodings;
    // Each of our programs on the medium whose signature is whole, with its
    // signer, as the system's trust check reads it: "setup.exe: signed by ...".
    std::vector<std::string> signatures;
    uint64_t installedSize = 0;  // bytes the code tree puts on the reader's disk
    size_t errors = 0;
    size_t warnings = 0;
};

MediumCheckResult CheckMedium(const std::string& mediumDir);

// The programs of ours a medium carries, which the reader's system runs with
// rights: setup itself, and the uninstaller every book's entry starts.
extern const char* const kMediumPrograms[2];

// What a program's signature means for the reader: nothing to say when it is
// whole and trusted; a warning when the prompt will say "Unknown publisher"
// (no signature, a signer this system does not trust); an error when the
// program or its signature was changed after signing.
std::optional<Finding> SignatureFinding(const std::string& program, const FileSignature& signature);

// The finding as printed: "error: ..." or "warning: ...".
std::string FindingLine(const Finding& finding);
// The last line: "2 errors, 1 warning".
std::string FindingCounts(const MediumCheckResult& result);

// The installed size of a medium's code tree: expanded sizes when the medium
// says its files are compressed (from their headers), the files' own otherwise.
uint64_t InstalledTreeSize(const std::string& mediumDir);
