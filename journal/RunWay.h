#pragma once
// The way a run's undo reaches the paths its journal names: down from where
// the run's way starts, folder by held folder, never through a link. The
// start is opened once by its path (the reader's links that stood before the
// run are followed there, once) and told by the identity the journal noted;
// every folder below it is opened by one name from its held parent and held
// for the steps that follow, so that the undo opens a folder once for all the
// files below it. Journals of earlier setups, which noted no start, start at
// the install folder opened by its path (told by its identity where they
// noted it); the folders at and above it, and every folder where they noted
// not even that, are walked from the drive's root. Window-free.
#include <memory>
#include <optional>
#include <string>

#include "framework/FolderWay.h"
#include "journal/RunJournal.h"

// Why a path's folder was not reached, when it was not.
enum class Standing {
    Clear,         // held, and no link on the way
    Missing,       // a folder below a held one is not there: neither is the path
    Link,          // a link on the way
    NotTheFolder,  // the start or the install folder is no longer the one the run noted
    NotHeld,       // the start is missing or cannot be opened (a drive away), or a folder refused
    Outside,       // not below the way's start
};

class RunWay {
public:
    RunWay(const std::string& installFolder, const std::optional<FileIdentity>& installIdentity,
           const WayStart& start);
    RunWay(const RunWay&) = delete;
    RunWay& operator=(const RunWay&) = delete;

    // The folder at `folder`, held with every folder on its way; null with
    // Stop() and At() saying why and where.
    std::shared_ptr<const HeldFolder> Reach(const std::string& folder);
    // The held folder that the path's own name lies in, and that name.
    std::shared_ptr<const HeldFolder> Parent(const std::string& path, std::string& name);
    Standing Stop() const { return m_stop; }
    const std::string& At() const { return m_at; }

    // Whether the path is where the run's way starts: a folder that stood
    // before the run, never the run's to remove.
    bool IsStart(const std::string& path) const;
    // Lets go of the folder at `path` and of those below it: before it is
    // deleted (a held folder cannot be).
    void Release(const std::string& path);

    // For the log: why the path was left alone, after a Reach or Parent
    // that stopped for a reason other than Missing.
    std::string LeftNote(const std::string& path) const;

private:
    // The way whose root is the start (or the install folder of an earlier
    // journal), opened on first use; null with the stop set when it cannot be.
    FolderWay* StartWay();
    FolderWay* DriveWay();
    void StopAt(Standing stop, const std::string& at);
    void StopAt(const FolderWay& way, const std::string& path);

    std::string m_install;     // without a trailing backslash
    std::string m_installKey;  // the same, upper-cased
    std::optional<FileIdentity> m_installIdentity;
    WayStart m_start;
    std::string m_startPath;   // the way's start; empty when every folder is walked from the drive's root
    std::optional<FileIdentity> m_startIdentity;
    std::optional<FolderWay> m_way;
    Standing m_wayStanding = Standing::Clear;
    std::optional<FolderWay> m_drive;
    // The folder reached last (its key and the folder): the next file of the
    // same folder, the usual next step, is found there without a walk.
    std::string m_lastKey;
    std::shared_ptr<const HeldFolder> m_last;
    Standing m_stop = Standing::Clear;
    std::string m_at;
};
