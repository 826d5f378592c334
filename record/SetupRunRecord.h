#pragma once
// What this setup run puts on the disk, stored with the uninstall entry: the
// copy's files and folders from its outcome once it has completed, the
// shortcut and the script's copies as they are made. Noted on the
// user-interface thread, kept under a lock. Only what setup really wrote or
// made is noted: each call comes after the write or creation succeeded.
#include <string>
#include <vector>

#include "record/InstallRecord.h"

// What the copy wrote (files copied or expanded in full) and the folders
// created for the run (none that was there already), as full paths.
void RecordCopy(const std::vector<std::string>& writtenFiles, const std::vector<std::string>& createdFolders);
// The shortcut file setup saved.
void RecordShortcut(const std::string& path);
// A file the command script copied where no file of that name was before.
// Runs after the registration: the stored record is brought up to date at once.
void RecordScriptCopy(const std::string& path);

// Called by the uninstaller registration once the product's entry is written:
// stores this run's record in it, merged with the record of an earlier setup
// of the same product (what of that is still on the disk). Also remembers the
// product, so that the script's copies join the stored record.
void SaveInstallRecord(const std::string& product, const std::string& installPath);

// This run's record so far, and a fresh start (for the tests, which run many
// installs in one process).
InstallRecord RunRecordSoFar();
void ForgetRunRecord();
