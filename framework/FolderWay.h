#pragma once
// A way down from a held root: each folder between the root and the one
// asked for is opened by one name from its held parent (never through a
// link) and held for as long as the way needs it, so that nothing on it can
// be swapped for a link meanwhile. A way asked for a folder next to the last
// one keeps what the two share: a folder is opened once for all the files
// below it, not once for each. Used by one thread at a time; the folders it
// hands out stay open as long as anyone holds them. Window-free.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/HeldFolder.h"

class FolderWay {
public:
    FolderWay() = default;
    // `root` is the way's start (its Path() the path it was opened by).
    explicit FolderWay(HeldFolder root);
    FolderWay(FolderWay&&) = default;
    FolderWay& operator=(FolderWay&&) = default;

    bool Held() const { return m_root && m_root->Held(); }
    const HeldFolder& Root() const { return *m_root; }
    // Whether the path is the root or lies below it (by whole names).
    bool Covers(const std::string& path) const;

    // The folder at `path` (the root, or a folder below it), held, with every
    // folder between; null when one of them is missing, a link, not a folder
    // or cannot be opened, or the path is not below the root: Stop() says
    // why and At() where.
    std::shared_ptr<const HeldFolder> Reach(const std::string& path);
    // The same, making the folders that are missing. `beforeMaking` is asked
    // first for each (the journal notes it ahead); false stops the way there.
    // `afterMaking` hears how it went: the folder (held, or not with its
    // stop), and whether this way made it or found it made meanwhile.
    using BeforeMaking = std::function<bool(const std::string& path)>;
    using AfterMaking = std::function<void(const std::string& path, const HeldFolder& folder, bool made)>;
    std::shared_ptr<const HeldFolder> Make(const std::string& path, const BeforeMaking& beforeMaking,
                                           const AfterMaking& afterMaking);
    // The held folder of a file's path and the file's own name; null as Reach.
    std::shared_ptr<const HeldFolder> ReachParent(const std::string& filePath, std::string& name);

    DoorStop Stop() const { return m_stop; }
    const std::string& At() const { return m_at; }

    // Lets go of the folder at `path` and of those below it (a folder is let
    // go of before it is deleted or renamed): the next way there opens it again.
    void Release(const std::string& path);
    // Lets go of every folder but the root.
    void Release() { m_chain.clear(); }

private:
    std::shared_ptr<const HeldFolder> Walk(const std::string& path, const BeforeMaking* beforeMaking,
                                           const AfterMaking* afterMaking);

    struct Step {
        std::string key;  // the folder's path, upper-cased
        std::shared_ptr<const HeldFolder> folder;
    };
    std::shared_ptr<const HeldFolder> m_root;
    std::string m_rootPath;  // without a trailing backslash (but "C:\")
    std::vector<Step> m_chain;
    DoorStop m_stop = DoorStop::None;
    std::string m_at;
};
