#pragma once
// What the copy does about a file of the book that another program holds:
// asks the reader (or the unattended run's prompts) naming the file and the
// programs, closes those very programs where the reader consents (asking
// again when others hold the file by then), and once the copy has ended
// starts them again or, in a run with administrator rights, names them.
// Window-free.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/CopyOutcome.h"
#include "engine/CopyPrompts.h"
#include "framework/RestartManager.h"

class HeldFiles {
public:
    // Who holds a file, and closing processes: the system's Restart Manager,
    // unless a test gives its own (Wine's names no program, so what Close
    // Programs does can be shown only so).
    struct System {
        std::function<FileHolders(const std::string& path)> holdersOf;
        std::function<void(const std::vector<HoldingProgram>& programs)> close;
    };
    HeldFiles() = default;
    explicit HeldFiles(System system) : m_system(std::move(system)) {}

    enum class Next {
        NotHeld,   // nothing holds the file: its failure is another one
        TryAgain,  // place the file again
        Leave,     // the reader leaves setup: the run is abandoned
        GiveUp,    // the file counts as not installed (noted in `held`)
    };

    // After a placement over the file at `destPath` failed with nothing moved.
    // Cancel asks whether the reader leaves; staying tries the file again. A
    // cancel confirmed elsewhere meanwhile (`cancelled`) ends it as Leave.
    // Nothing on the disk changes before the answer.
    Next Ask(CopyPrompts& prompts, const std::string& fileName, const std::string& destPath,
             const std::atomic<bool>& cancelled, std::vector<HeldFile>& held);

    // Once the copy has ended: a run without administrator rights starts
    // again what the reader let setup close; one with them never does, and
    // gives the programs' names (each once) for the reader to start them.
    std::vector<std::string> RestartClosed();

private:
    FileHolders HoldersOf(const std::string& path) const;
    void Close(const std::vector<HoldingProgram>& programs);

    System m_system;
    // The sessions whose programs were closed, kept to restart them. The
    // system has only a few sessions for all its programs: past this many,
    // closing is not offered any more.
    static constexpr size_t kMaxClosingSessions = 16;
    std::vector<std::unique_ptr<RestartManagerSession>> m_closed;
    // The names of the programs asked to close, in the order asked.
    std::vector<std::string> m_closedNames;
};
