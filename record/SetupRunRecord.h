#pragma once
// What this setup run puts on the disk, stored with the uninstall entry: the
// copy's files and folders from its outcome once it has completed, the
// shortcut and the script's copies as they are made. Noted on the
// user-interface thread, kept under a lock. Only what setup really wrote or
// made is noted: each call comes after the write or creation succeeded.
#include <string>
#include <vector>

#include "record/InstallRecord.h"
#include "record/ScopePlaces.h"

// What the copy wrote (files copied or expanded in full) and the folders
// created for the run (none that was there already), as full paths.
void RecordCopy(const std::vector<std::string>& writtenFiles, const std::vector<std::string>& createdFolders);
// The same with the files' entries already made (while the copy ran).
void RecordCopy(const std::vector<RecordEntry>& writtenEntries, const std::vector<std::string>& createdFolders);
// Kept originals of replaced files that the completed copy could not delete.
void RecordKeptOriginals(const std::vector<std::string>& keptFiles);
// The shortcut file setup saved.
void RecordShortcut(const std::string& path);
// A file the command script copied (outside the book's folder, where other
// products may use the same file): once the product is registered, it takes
// one reference to the file in the scope's counts, unless this product holds one
// already (a second setup of it, or a second copy in one script), and the
// stored record is brought up to date at once. `existedBefore`: a file of that
// name was there before the copy. Before the registration only a file that
// was not there before is noted, without a reference.
void RecordScriptCopy(const std::string& path, bool existedBefore);

// The uninstaller copied into the scope's folder (`path`, there now), which
// every book of that scope shares: the product takes one reference to it in
// the scope's counts (SharedDLLs for the machine),
// as to a shared file the script copies (unless its stored record shows it
// holds one already), so that the uninstaller goes with the last book.
// `thereBefore`: a file of that name was there before this run's copy. Called
// by the uninstaller registration before SaveInstallRecord.
void RecordUninstaller(const std::string& product, const std::string& path, bool thereBefore,
                       const ScopePlaces& places);

// Called by the uninstaller registration once the product's entry is written:
// stores this run's record in it, merged with the record of an earlier setup
// of the same product (what of that is still on the disk). Also remembers the
// product and the scope of its entry, so that the script's copies join the
// stored record and are counted where the book's entry is.
// False when the record could not be stored: the uninstaller would then
// refuse the book.
bool SaveInstallRecord(const std::string& product, const std::string& installPath, const ScopePlaces& places);

// This run's record so far, and a fresh start (for the tests, which run many
// installs in one process).
InstallRecord RunRecordSoFar();
void ForgetRunRecord();
