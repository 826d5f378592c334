#include "record/RecordedWays.h"

#include <set>

#include "framework/AnsiText.h"
#include "framework/PathText.h"
#include "record/ProfileBound.h"

namespace {
std::string Folder(const std::string& path) { return StripTrailingBackslashes(path, 3); }

}  // namespace

RecordedWays::RecordedWays(const InstallRecord& record, const ScopePlaces& places) : m_places(places) {
    if (BoundToProfile(places)) {
        m_start = places.userProfile;
        return;
    }
    std::set<std::string> made;
    for (const RecordEntry& entry : record.entries)
        if (entry.kind == RecordEntry::Kind::Folder) made.insert(PathKey(entry.path));
    const std::string root = DriveRoot(record.installFolder);
    if (root.empty()) return;
    m_start = Folder(record.installFolder);
    while (m_start.size() > root.size() && made.count(PathKey(m_start))) m_start = Folder(SplitPath(m_start).folder);
}

bool RecordedWays::Allowed(const std::string& path) const { return MayActAt(m_places, path); }

FolderWay* RecordedWays::WayFor(const std::string& path) {
    std::string root;
    if (BoundToProfile(m_places)) {
        if (Allowed(path)) root = m_start;
    } else {
        root = IsAtOrBelowFolder(path, m_start) ? m_start : DriveRoot(path);
    }
    if (root.empty()) return nullptr;
    const std::string key = UpperAnsi(root);
    auto found = m_ways.find(key);
    if (found == m_ways.end()) found = m_ways.emplace(key, FolderWay(HeldFolder::Root(root))).first;
    return &found->second;
}

std::shared_ptr<const HeldFolder> RecordedWays::Parent(const std::string& path, std::string& name) {
    m_at = path;
    FolderWay* way = WayFor(path);
    if (!way) {
        m_stop = DoorStop::Refused;
        return nullptr;
    }
    if (!way->Held()) {
        const DoorStop rootStop = way->Root().Stop();
        m_stop = rootStop == DoorStop::Missing || rootStop == DoorStop::NotFolder ? DoorStop::Missing
                                                                                  : DoorStop::Refused;
        m_at = way->Root().Path();
        return nullptr;
    }
    std::shared_ptr<const HeldFolder> parent = way->ReachParent(path, name);
    m_stop = parent ? DoorStop::None : way->Stop();
    if (!parent) m_at = way->At();
    return parent;
}

void RecordedWays::Release(const std::string& folder) {
    for (auto& [key, way] : m_ways) way.Release(folder);
}
