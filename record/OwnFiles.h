#pragma once
// Files of ours and what the reader may have made of them since: the name a
// file stands under, and whether its content is on the disk at all, for setup
// and its uninstaller alike (what is deleted or moved goes through the door,
// framework/HeldFolder). Window-free.
#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/FileObject.h"

// The path with its last name as it stands on the disk (its letter case
// there); the path itself when nothing stands there.
std::string NameAsStored(const std::string& path);

// A file whose content is not on the disk (a cloud placeholder): reading it
// would fetch it from the service, so its size and time decide instead.
bool ContentIsElsewhere(DWORD attributes);
