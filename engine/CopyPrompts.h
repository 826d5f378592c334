#pragma once
// What the copy shows and asks while it runs, on the worker thread. The copy
// job decides; a CopyPrompts puts the file on the screen and the questions
// to the user.
#include <windows.h>

#include <cstdint>
#include <string>

#include "record/ClosingPrograms.h"

// The file a replace question is about: the incoming one from the medium and
// the one already at the destination.
struct ReplaceQuestion {
    std::string fileName;  // on the medium, as found
    std::string destPath;  // where it goes
    uint32_t sourceSize = 0;
    uint32_t existingSize = 0;
    FILETIME sourceTime = {};
    FILETIME existingTime = {};
};

enum class ReplaceAnswer { Yes, YesToAll, No, Cancel };

// A file of the book at the destination that another program holds: it can
// be neither replaced nor kept aside until that program lets go of it.
struct InUseQuestion {
    std::string fileName;  // on the medium, as found
    std::string destPath;  // the held file
    FileHolders holders;   // which programs, where the system can tell
    // The system can name the programs and close them, and may (MayOfferToClose).
    bool canClose = false;
};

// Retry: the reader let go of the file (or wants it tried again);
// ClosePrograms: the reader consents to the programs being closed, and the
// file is tried again; Cancel: the reader wants to leave setup; GiveUp: an
// unattended run waited long enough, and the file counts as not installed.
enum class InUseAnswer { Retry, ClosePrograms, Cancel, GiveUp };

class CopyPrompts {
public:
    virtual ~CopyPrompts() = default;
    // The file being copied, by its name on the medium and the full path it
    // goes to. Handed over; the copy does not wait for the screen.
    virtual void ShowFile(const char* sourceName, const std::string& destPath) = 0;
    // The bytes the copy will read from the medium, listed before its first
    // file; then, for the file in hand, the bytes read of it so far, and its
    // size once it is done with (installed, kept or failed; a small file
    // placed on a lane is done a few files later, in the same order). Handed
    // over too, all on the copy thread.
    virtual void SetTotalBytes(uint64_t total) = 0;
    virtual void FileBytesRead(uint64_t read) = 0;
    virtual void FileDone(uint64_t size) = 0;
    // Whether the file at the destination may be replaced.
    virtual ReplaceAnswer AskToReplace(const ReplaceQuestion& question) = 0;
    // What to do about a file another program holds. Nothing on the disk
    // changes while it is asked.
    virtual InUseAnswer AskAboutFileInUse(const InUseQuestion& question) = 0;
    // Whether the user really wants to leave setup (after Cancel in the
    // replace question).
    virtual bool ConfirmExit() = 0;
};
