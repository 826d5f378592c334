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
// another file its full size. `existingAttributes` are those of the
// destination as found (INVALID_FILE_ATTRIBUTES when nothing is there): an
// existing file is moved aside (as `keep` says) and kept (its kept name comes back in `kept`,
// empty for a new file); the file is written straight to its name and
// removed again when it did not arrive whole, the kept one then back in
// place and `kept` empty (where it cannot be moved back, `kept` still names
// where it lies). `written` then says what the file holds, hashed as it was
// written. `progress`, when given, hears of the bytes of the source read so
// far, after every block. A name found taken as the file was to be created
// leaves that file alone and says so in the last error, as CopyPlainFile does.
bool ExpandFile(const std::string& sourcePath, DWORD sourceAttributes, const std::string& destPath,
                DWORD existingAttributes, const KeepAside& keep, std::string& kept, WrittenContent& written,
                const ReadProgress& progress = {});

// The bytes a complete expansion of the file yields (the size its SZDD
// header declares, or for a file that is not compressed its own size); 0
// when it cannot be opened.
uint64_t ExpandedSizeOf(const std::string& sourcePath);
