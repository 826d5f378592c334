#include "journal/RunWay.h"

#include "framework/AnsiText.h"
#include "framework/PathText.h"

RunWay::RunWay(const std::string& installFolder, const std::optional<FileIdentity>& installIdentity,
               const WayStart& start)
    : m_install(StripTrailingBackslashes(installFolder, 3)),
      m_installKey(PathKey(installFolder)),
      m_installIdentity(installIdentity),
      m_start(start) {
    if (!start.path.empty()) {
        m_startPath = start.path;
        m_startIdentity = start.identity;
    } else if (installIdentity) {
        // An earlier setup's journal: the install folder is what the reader
        // chose, whatever links its path passes, as long as it is the one
        // the run installed into.
        m_startPath = m_install;
        m_startIdentity = installIdentity;
    }
    // One that did not note even that cannot tell the folder from another
    // put at its path: every folder is walked from the drive's root.
}

void RunWay::StopAt(Standing stop, const std::string& at) {
    m_stop = stop;
    m_at = at;
}

void RunWay::StopAt(const FolderWay& way, const std::string& path) {
    switch (way.Stop()) {
    // A file where a folder was is no folder of the run's either.
    case DoorStop::Missing:
    case DoorStop::NotFolder: StopAt(Standing::Missing, way.At()); break;
    case DoorStop::Link: StopAt(Standing::Link, way.At()); break;
    case DoorStop::BadName: StopAt(way.Covers(path) ? Standing::NotHeld : Standing::Outside, way.At()); break;
    default: StopAt(Standing::NotHeld, way.At()); break;
    }
}

FolderWay* RunWay::StartWay() {
    if (!m_way) {
        HeldFolder root = HeldFolder::Root(m_startPath);
        // Missing or refused alike: a link to a drive that is not there looks
        // missing, and what lies behind it waits for the drive.
        m_wayStanding = Standing::Clear;
        if (!root.Held())
            m_wayStanding = Standing::NotHeld;
        else if (m_startIdentity && root.Identity() != *m_startIdentity)
            m_wayStanding = Standing::NotTheFolder;
        m_way.emplace(std::move(root));
    }
    if (m_wayStanding != Standing::Clear) {
        StopAt(m_wayStanding, m_startPath);
        return nullptr;
    }
    return &*m_way;
}

FolderWay* RunWay::DriveWay() {
    if (!m_drive) m_drive.emplace(HeldFolder::Root(DriveRoot(m_install)));
    if (!m_drive->Held()) {
        StopAt(Standing::NotHeld, DriveRoot(m_install).empty() ? m_install : DriveRoot(m_install));
        return nullptr;
    }
    return &*m_drive;
}

std::shared_ptr<const HeldFolder> RunWay::Reach(const std::string& folder) {
    m_stop = Standing::Clear;
    m_at.clear();
    const std::string key = PathKey(folder);
    if (m_last && key == m_lastKey) return m_last;
    m_last.reset();
    const bool inInstall = !m_installKey.empty() && IsAtOrBelowFolder(key, m_installKey);
    const bool started = !m_start.path.empty();
    FolderWay* way = started || (!m_startPath.empty() && inInstall) ? StartWay() : DriveWay();
    if (!way) return nullptr;
    if (!way->Covers(folder)) {
        StopAt(Standing::Outside, folder);
        return nullptr;
    }
    // In the install folder only while it is the one the run installed into
    // (the way there is held meanwhile: it stays that one).
    if (started && inInstall && m_installIdentity) {
        std::shared_ptr<const HeldFolder> install = way->Reach(m_install);
        if (!install) {
            StopAt(*way, m_install);
            return nullptr;
        }
        if (install->Identity() != *m_installIdentity) {
            StopAt(Standing::NotTheFolder, m_install);
            return nullptr;
        }
    }
    std::shared_ptr<const HeldFolder> held = way->Reach(folder);
    if (!held) {
        StopAt(*way, folder);
        return nullptr;
    }
    m_lastKey = key;
    m_last = held;
    return held;
}

std::shared_ptr<const HeldFolder> RunWay::Parent(const std::string& path, std::string& name) {
    PathSplit split = SplitPath(path);
    name = split.name;
    if (split.folder.empty() || name.empty()) {
        StopAt(Standing::NotHeld, path);
        return nullptr;
    }
    return Reach(split.folder);
}

bool RunWay::IsStart(const std::string& path) const { return !m_start.path.empty() && PathKey(path) == PathKey(m_start.path); }

void RunWay::Release(const std::string& path) {
    m_last.reset();
    if (m_way) m_way->Release(path);
    if (m_drive) m_drive->Release(path);
    // A way whose root is the folder, or lies below it, lets go of it whole
    // (the install folder of an earlier setup's journal, which the run made).
    const std::string key = PathKey(path);
    if (m_way && !m_startPath.empty()) {
        const std::string root = PathKey(m_startPath);
        if (IsAtOrBelowFolder(root, key)) m_way.reset();
    }
}

std::string RunWay::LeftNote(const std::string& path) const {
    switch (m_stop) {
    case Standing::Link: return "Left alone, as its path passes the link " + m_at + ": " + path;
    case Standing::NotTheFolder:
        return "Left alone, as " + m_at + " is no longer the folder the run installed into: " + path;
    case Standing::Outside:
        return "Left alone, as it lies outside the folders of the run, whose way starts at " +
               (m_startPath.empty() ? DriveRoot(m_install) : m_startPath) + ": " + path;
    default: return "Left alone, as " + m_at + " could not be opened: " + path;
    }
}
