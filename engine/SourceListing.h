#pragma once
// What the copy will read from the medium, listed before its first file so
// that the progress bar has its range: directory reads only, no file opened.
// Window-free.
#include <cstdint>
#include <string>

struct SourceListing {
    uint64_t bytes = 0;    // the sizes the folder listings give of the files the copy installs
    bool complete = true;  // false when a folder could not be listed: `bytes` is what was found
};

// The files of the tree below `folder` (relative to the current directory, or
// full) that its copy into `destination` installs, by the copy's own rules:
// folders whose name starts with "." are left out, and so are the folders and
// files whose installed path would pass the system's bound, and the
// destination itself when it lies inside the tree. The sizes are those on the
// medium (compressed sizes on a compressed medium: reading them is what the
// copy spends its time on).
SourceListing ListSourceTree(const std::string& folder, const std::string& destination, bool useUnderscores);
