#include "script/ScriptCommands.h"

#include <windows.h>

#include "engine/FileOperations.h"
#include "framework/SafeFormat.h"
#include "record/SetupRunRecord.h"
#include "script/ScriptLine.h"
#include "script/ScriptMessages.h"
#include "framework/AnsiText.h"
#include "framework/PathText.h"
#include "framework/PlaceWay.h"
#include "framework/UniqueHandle.h"

std::string ExecuteScriptCommand() {
    if (UpperAnsi(ScriptFields[0]) == "COPY") return ExecuteCopyCommand();
    // "RUN" and "RENAME" are accepted and, like every other word, do nothing.
    return {};
}

std::string ExecuteCopyCommand() {
    const std::string& command = ScriptFields[0];
    const std::string& source = ScriptFields[1];
    std::string& destination = ScriptFields[2];

    std::string problem = CheckCopyLine(command, source, destination);
    if (!problem.empty()) {
        ReportScriptMessage(problem);
        return {};
    }
    auto failed = [&](const char* why) {
        return StringPrintf("The script's copy of %s to %s failed: %s. (Script command '%s    %s    %s')",
                            source.c_str(), destination.c_str(), why, command.c_str(), source.c_str(),
                            destination.c_str());
    };

    // A path past the system's limit cannot name a file: like any copy that
    // cannot be made, nothing is copied and nothing is said. Checked here so
    // that no such path reaches the system, whose answer differs between
    // Windows (refused) and Wine (may be taken).
    if (PathLength(source) > ScriptPathLimit || PathLength(destination) > ScriptPathLimit)
        return failed("a path is longer than the system allows");

    if (!PathExists(source)) {
        ReportScriptMessage(StringPrintf("The file %s does not exist. (Script command '%s    %s    %s')", source.c_str(),
                                         command.c_str(), source.c_str(), destination.c_str()));
        return {};
    }
    // A plain byte copy over any existing file; a failure is not reported.
    // Whether a file was there before tells the uninstaller's count whether
    // someone else uses it too.
    bool existed = PathExists(destination);
    if (!CopyThroughTheDoor(source, destination))
        return failed(StringPrintf("system error %lu", static_cast<unsigned long>(GetLastError())).c_str());
    RecordScriptCopy(destination, existed);
    return {};
}

bool CopyThroughTheDoor(const std::string& source, const std::string& destination) {
    // The medium's file is read whole (a script copies small files: an
    // INI file, a font, a DLL), with its time and attributes, as a copy keeps them.
    UniqueFile from(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!from || !GetFileInformationByHandle(from.Get(), &info)) return false;
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow > kMostScriptCopyBytes) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    std::string bytes(info.nFileSizeLow, '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(from.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
        return false;
    // The destination's folder is reached through the door (the install
    // folder, in a drive's root, is every user's to change): no link on
    // the way is followed, and what stands at the name is replaced, never
    // written through.
    const std::string full = FullPath(destination).value_or(destination);
    FolderWay way = WayToPlace(full);
    std::string name;
    std::shared_ptr<const HeldFolder> folder = way.ReachParent(full, name);
    if (!folder) {
        SetLastError(way.Stop() == DoorStop::Link ? ERROR_CANT_ACCESS_FILE : ERROR_PATH_NOT_FOUND);
        return false;
    }
    const DWORD kept = info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    return WriteWholeAt(*folder, name, bytes, &info.ftLastWriteTime, kept ? kept : FILE_ATTRIBUTE_NORMAL);
}
