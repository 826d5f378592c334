#pragma once
// Packing a ready medium from the publisher's folder: the files setup reads
// as they are, setup.exe, and the code tree compressed when the medium says
// so; FileSize set to what the tree installs.
#include <cstdio>
#include <string>

enum class PackResult { Packed, CannotRun };

// Packs source into target (a new or empty folder). Says what it does and
// why it stops on `out`. programDir: where setup.exe (and every program of
// ours a medium carries) was built.
PackResult PackMedium(const std::string& source, const std::string& target, const std::string& programDir, FILE* out);

// Whether a file of `size` bytes goes on the medium in its SZDD form of
// `compressedSize` bytes: only when that costs no more than the header
// (a plain file on a compressed medium is installed unchanged).
bool KeepCompressed(uint64_t size, uint64_t compressedSize);
