#include "app/SilentResult.h"

SilentResult ResultOfCopy(const CopyOutcome& outcome, uint64_t freeBytes) {
    if (outcome.journalNotBegun) return SilentResult::NoJournal;
    if (outcome.sourceMissing) return SilentResult::CodeDirMissing;
    if (outcome.destinationMissing) return SilentResult::DestinationNotMade;
    if (!outcome.unreadableFolders.empty()) return SilentResult::MediumUnreadable;
    // Not a damaged medium nor a full drive: the reader's own program holds the file.
    if (!outcome.heldFiles.empty()) return SilentResult::FileInUse;
    if (!outcome.failedFiles.empty()) {
        uint64_t size = outcome.failedFiles.back().size;
        return size > 0 && freeBytes < size ? SilentResult::NoRoom : SilentResult::CopyFailed;
    }
    // Flags without a named file are failures all the same.
    if (outcome.copyFailed || outcome.expandFailed) return SilentResult::CopyFailed;
    return SilentResult::Installed;
}

const char* DescribeResult(SilentResult result) {
    switch (result) {
    case SilentResult::Installed: return "Installed.";
    case SilentResult::BadSwitch: return "Not installed: a switch on the command line was not understood.";
    case SilentResult::NoRoom: return "Not installed: the destination's drive has not enough room.";
    case SilentResult::DestinationNotMade: return "Not installed: the destination folder could not be made.";
    case SilentResult::CodeDirMissing: return "Not installed: the medium lacks the folder of the book's files.";
    case SilentResult::MediumUnreadable: return "Not installed: the medium could not be read.";
    case SilentResult::CopyFailed: return "Not installed: a file could not be copied or expanded.";
    case SilentResult::NoJournal: return "Not installed: setup could not begin its journal; nothing was changed.";
    case SilentResult::AllUsersRefused:
        return "Not installed: /ALLUSERS asks for an install for every user, and setup runs without administrator "
               "rights.";
    case SilentResult::NoWayBack: return "Installed, but the book cannot be removed: its uninstaller or uninstall entry could not be written.";
    case SilentResult::ScriptLineFailed: return "Installed; a line of the command script failed.";
    case SilentResult::FileInUse: return "Not installed: a file of the book is in use by another program.";
    }
    return "Not installed.";
}
