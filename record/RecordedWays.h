#pragma once
// The ways by which the uninstaller reaches what an install record names:
// each from a root it trusts, every folder below it opened by one name from
// its held parent (never through a link) and held while it is acted in, so
// that what is checked is what is then deleted.
// - A run bound to the user's profile (an elevated run for a book of the
//   current user) has one way, from the profile's root; a path not below the
//   profile has none.
// - Otherwise what lies at or below the install folder's start is reached
//   from that start, opened by its path: the nearest folder of the install
//   folder's path that the record does not name as made by setup. It stood
//   before setup ran, and a link on the path to it is the reader's own,
//   followed once, as setup followed it. Anything else of the record (a file
//   the script copied, the shortcut, the uninstaller) is reached from its
//   drive's root, with no link followed.
// Window-free.
#include <map>
#include <memory>
#include <string>

#include "framework/FolderWay.h"
#include "record/InstallRecord.h"
#include "record/ScopePlaces.h"

class RecordedWays {
public:
    RecordedWays(const InstallRecord& record, const ScopePlaces& places);
    RecordedWays(const RecordedWays&) = delete;
    RecordedWays& operator=(const RecordedWays&) = delete;

    // Whether the run may act at the path at all (see MayActAt).
    bool Allowed(const std::string& path) const;
    // Where the way to the install folder starts (for messages and tests).
    const std::string& Start() const { return m_start; }

    // The held folder holding the path, and the path's last name; null when
    // the way there stops, Stop() saying why and At() where. A root that is
    // not there (or is no folder) stops as Missing: nothing below it is there.
    std::shared_ptr<const HeldFolder> Parent(const std::string& path, std::string& name);
    DoorStop Stop() const { return m_stop; }
    const std::string& At() const { return m_at; }

    // Lets go of the folder and of everything below it, in every way: a held
    // folder cannot be deleted.
    void Release(const std::string& folder);

private:
    FolderWay* WayFor(const std::string& path);

    ScopePlaces m_places;
    std::string m_start;
    std::map<std::string, FolderWay> m_ways;  // by the root's path, upper-cased
    DoorStop m_stop = DoorStop::None;
    std::string m_at;
};
