#pragma once
// Expanding one file from a compressed medium (SZDD, by our own code in
// large blocks). Window-free.
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/FilePlacement.h"

// Expands the source file (an SZDD-compressed file, or any other file, which
// is copied as a plain file by CopyPlainFile, at any size, `sourceAttributes`
// as there) into the destination path. True only when the whole file
// arrived: for a compressed file as many bytes as its header declares, for
// another file its full size. Placed at the spot in its held folder as
// PlaceFile says (`existingAttributes` what was found at the name, the
// reader's file kept aside in `kept`, the file removed again when it did not
// arrive whole). `written` then says what the file holds, hashed as it was
// written. `progress`, when given, hears of the bytes of the source read so
// far, after every block. A name found taken as the file was to be created
// leaves that file alone and says so in the last error, as CopyPlainFile does.
bool ExpandFile(const std::string& sourcePath, DWORD sourceAttributes, const FileSpot& spot,
                DWORD existingAttributes, const KeepAside& keep, std::string& kept, WrittenContent& written,
                const ReadProgress& progress = {});

// The bytes a complete expansion of the file yields (the size its SZDD
// header declares, or for a file that is not compressed its own size); 0
// when it cannot be opened.
uint64_t ExpandedSizeOf(const std::string& sourcePath);
