#pragma once
// After a setup that was not abandoned: the medium's uninstaller is copied
// into the scope's folder (the Windows folder for the machine, the user's
// folder of ours for the current user) and an uninstall entry for the product
// is written under the scope's hive, with what the system's list of installed
// software and the package tools read: the commands, the folder, the icon,
// the date, the size, the publisher and the version; no Modify or Repair
// button, which would do nothing. Looks for XOVUNIN.EXE in the current
// directory; does nothing without it, and shows nothing either way.
#include <optional>
#include <string>

#include "record/ScopePlaces.h"

// What the registration came to.
struct Registration {
    bool offered = false;            // the medium carries the uninstaller
    bool uninstallerPlaced = false;  // a copy of it (this one, or a newer one) is where the entry says
    bool entryWritten = false;       // the entry with its commands is written
    bool recordStored = false;       // the install record is stored with the entry
    bool uninstallerChanged = false; // the medium's copy was changed after it was signed: never copied
    std::string uninstallerPath;     // where the entry's commands look for it
    // The book can be removed again, or the medium never offered a way.
    bool WayBack() const { return !offered || (uninstallerPlaced && entryWritten && recordStored); }
};

Registration RegisterUninstaller(const ScopePlaces& places);

// What the reader (or the log) is told of a registration without a way
// back: what is missing, and that the book cannot be removed; empty when
// there is a way back.
std::string NoWayBackMessage(const Registration& registration);

// For the log: the medium's uninstaller was refused, and the copy already in
// place serves the book instead; empty otherwise.
std::string UninstallerNote(const Registration& registration);

// The folder of the product's earlier install of that scope, from its
// uninstall entry ("InstallLocation", or for an entry of an older setup the
// folder its install record names), when that folder is still there. An
// elevated run for the current user takes the user's entry (which the user
// writes without rights) only as a proposal below the user's profile: any
// other folder is no proposal, and `ignored` (when given) names it.
std::optional<std::string> EarlierInstallFolder(const std::string& product, const ScopePlaces& places,
                                                std::string* ignored = nullptr);
// What the log says of such a folder.
std::string IgnoredEarlierFolderText(const std::string& folder);
