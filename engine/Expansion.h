#pragma once
// Expanding one file from a compressed medium with the system's LZ library.
// Window-free.
#include <string>

// Expands the source file (an SZDD-compressed file, or any other file, which
// is copied unchanged) into the destination path. True only when the whole
// file arrived: for a compressed file as many bytes as its header declares,
// for another file its full size. The destination is written under a
// temporary name beside it and put in place only then, so a failure leaves an
// existing destination file as it was.
bool ExpandFile(const std::string& sourceName, const std::string& destPath);
