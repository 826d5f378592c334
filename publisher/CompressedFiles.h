#pragma once
// What a file on a compressed medium gives the reader: its header read
// directly, its expansion by the platform's LZ library, as setup expands it.
#include <cstdint>
#include <string>

struct CompressedFacts {
    bool compressed = false;     // begins with the SZDD magic
    uint32_t installedSize = 0;  // what setup writes: the declared size, or the file's own
    std::string damage;          // why the file cannot be installed whole; empty when it can
};

// Reads the header; with `expand`, expands the whole file without writing it
// and compares what arrived with the header.
CompressedFacts InspectMediumFile(const std::string& path, bool expand);
