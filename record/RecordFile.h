#pragma once
// Where a record too large for the uninstall entry is kept: the registry's
// hive is loaded whole at every start of the system, so a book of thousands
// of files keeps its record in a file instead, in the Windows folder beside
// the uninstaller (where only administrators can write), and the entry names
// that file with the SHA-256 of its content. An elevated uninstaller must
// never delete what a changed record names: a file whose content does not
// match is not read at all. Window-free.
#include <cstddef>
#include <optional>
#include <string>

#include "record/ContentHash.h"

// The most bytes of record text that the entry holds itself: with its four
// texts the entry stays within 64 KB.
inline constexpr size_t kMostRecordBytesInEntry = 56 * 1024;

// The record file of a product in a folder: "XOVUNIN-" and sixteen digits of
// the SHA-256 of the upper-cased product name (any product name makes a file
// name, and two names that differ only in case are one entry), ".REC". An
// earlier setup kept the record under this name; a record written now takes
// its content's hash into the name too (RecordFileWithHash).
std::string RecordFilePath(const std::string& folder, const std::string& product);

// The file a record of that content goes to: the product's record file name
// with "-" and the 64 digits of the content's SHA-256 before ".REC". A new
// record is thus never written over the file the entry still names, and the
// one value naming the file names its hash too, so that the entry changes
// from the old record to the new in one step.
std::string RecordFileWithHash(const std::string& productRecordFile, const ContentHash& hash);

// The hash a record file's name carries; nothing for a name without one.
std::optional<ContentHash> HashInRecordFileName(const std::string& path);

// Whether the path names a record file that setup keeps in `folder`: right
// in that folder (the Windows folder for the machine, the user's "Book Setup"
// folder for a user), under a name of setup's ("XOVUNIN-", sixteen digits,
// the content's hash or not, ".REC"). An entry may name any path: a record
// file is deleted only when it is such a file.
bool IsRecordFileIn(const std::string& path, const std::string& folder);

// Deletes a record file that setup keeps in `folder`, never through a link:
// the folder is reached through the door (no link on the way, the folder
// itself included), and the file is opened there without following a link,
// checked and deleted through that one handle. False when the path is not
// such a file or it could not be deleted.
bool DeleteRecordFile(const std::string& path, const std::string& folder);

// Writes the text to the file whole, in its folder reached through the door
// (through a file beside it, so that no half-written record is ever at the
// name, and nothing put at the name is written through); false on failure.
bool WriteRecordFile(const std::string& path, const std::string& text);

// The file's text when its content has exactly the expected hash; nothing
// when it is missing, cannot be read, is implausibly large, or was changed.
std::optional<std::string> ReadRecordFile(const std::string& path, const ContentHash& expected);
