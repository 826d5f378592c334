#include "framework/FolderWay.h"

#include "framework/AnsiText.h"
#include "framework/PathText.h"

FolderWay::FolderWay(HeldFolder root)
    : m_root(std::make_shared<const HeldFolder>(std::move(root))),
      m_rootPath(StripTrailingBackslashes(m_root->Path(), 3)) {}

bool FolderWay::Covers(const std::string& path) const {
    if (!m_root) return false;
    const std::string stripped = StripTrailingBackslashes(path, 3);
    return IsAtOrBelowFolder(stripped, m_rootPath);
}

std::shared_ptr<const HeldFolder> FolderWay::Reach(const std::string& path) { return Walk(path, nullptr, nullptr); }

std::shared_ptr<const HeldFolder> FolderWay::Make(const std::string& path, const BeforeMaking& beforeMaking,
                                                  const AfterMaking& afterMaking) {
    return Walk(path, &beforeMaking, &afterMaking);
}

std::shared_ptr<const HeldFolder> FolderWay::ReachParent(const std::string& filePath, std::string& name) {
    PathSplit split = SplitPath(filePath);
    name = split.name;
    if (split.folder.empty() || name.empty()) {
        m_stop = DoorStop::BadName;
        m_at = filePath;
        return nullptr;
    }
    return Reach(split.folder);
}

std::shared_ptr<const HeldFolder> FolderWay::Walk(const std::string& path, const BeforeMaking* beforeMaking,
                                                  const AfterMaking* afterMaking) {
    m_stop = DoorStop::None;
    m_at = path;
    if (!Held()) {
        m_stop = DoorStop::Refused;
        m_at = m_rootPath;
        return nullptr;
    }
    const std::string stripped = StripTrailingBackslashes(path, 3);
    if (UpperAnsi(stripped) == UpperAnsi(m_rootPath)) return m_root;
    if (!IsBelowFolder(stripped, m_rootPath)) {
        m_stop = DoorStop::BadName;
        return nullptr;
    }
    // The names below the root, one by one, each held before the next.
    const size_t start = JoinPath(m_rootPath, "").size();
    std::shared_ptr<const HeldFolder> parent = m_root;
    size_t depth = 0;
    for (size_t from = start; from <= stripped.size(); ++depth) {
        size_t end = FindChar(stripped, '\\', from);
        if (end == std::string::npos) end = stripped.size();
        const std::string folderPath = stripped.substr(0, end);
        const std::string key = UpperAnsi(folderPath);
        if (depth < m_chain.size() && m_chain[depth].key == key) {
            parent = m_chain[depth].folder;
        } else {
            m_chain.resize(depth);
            const std::string name = stripped.substr(from, end - from);
            HeldFolder next = parent->Folder(name);
            if (next.Stop() == DoorStop::Missing && beforeMaking && *beforeMaking) {
                if (!(*beforeMaking)(folderPath)) {
                    m_stop = DoorStop::Refused;
                    m_at = folderPath;
                    return nullptr;
                }
                bool wasMade = false;
                next = parent->MakeFolder(name, &wasMade);
                if (afterMaking && *afterMaking) (*afterMaking)(folderPath, next, wasMade);
            }
            if (!next.Held()) {
                m_stop = next.Stop() == DoorStop::None ? DoorStop::Refused : next.Stop();
                m_at = folderPath;
                return nullptr;
            }
            parent = std::make_shared<const HeldFolder>(std::move(next));
            m_chain.push_back({key, parent});
        }
        from = end + 1;
    }
    return parent;
}

void FolderWay::Release(const std::string& path) {
    const std::string key = PathKey(path);
    for (size_t i = 0; i < m_chain.size(); ++i) {
        if (m_chain[i].key == key) {
            m_chain.resize(i);
            return;
        }
    }
}
