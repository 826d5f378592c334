#pragma once
// The publisher's check of a medium folder: everything the reader would meet
// as a message, a missing file or a wrong size, found before the medium
// ships, with the settings reading, check and script parsing setup runs.
#include <cstdint>
#include <string>
#include <vector>

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
    uint64_t installedSize = 0;  // bytes the code tree puts on the reader's disk
    size_t errors = 0;
    size_t warnings = 0;
};

MediumCheckResult CheckMedium(const std::string& mediumDir);

// The finding as printed: "error: ..." or "warning: ...".
std::string FindingLine(const Finding& finding);
// The last line: "2 errors, 1 warning".
std::string FindingCounts(const MediumCheckResult& result);

// The installed size of a medium's code tree: expanded sizes when the medium
// says its files are compressed (from their headers), the files' own otherwise.
uint64_t InstalledTreeSize(const std::string& mediumDir);
