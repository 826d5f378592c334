#include "app/UninstallRegistration.h"

#include <windows.h>

#include <memory>

#include "settings/InstallSettings.h"
#include "settings/SetupTexts.h"
#include "app/UninstallerVersion.h"
#include "engine/FileOperations.h"
#include "framework/AnsiText.h"
#include "framework/FileSignature.h"
#include "framework/PlaceWay.h"
#include "framework/UniqueHandle.h"
#include "framework/PathText.h"
#include "framework/SafeFormat.h"
#include "record/ProfileBound.h"
#include "record/RecordStore.h"
#include "record/SetupRunRecord.h"

namespace {
// The medium's uninstaller, in the current directory, and its copy's name.
constexpr const char* kUninstallerName = "XOVUNIN.EXE";

// Copies the medium's uninstaller (`source`, the file judged) into the held
// folder, whole or not at all, with its last-write time, as a copy of a file
// keeps it.
void CopyUninstaller(const HeldFolder& folder, HANDLE source) {
    LARGE_INTEGER size;
    FILETIME writeTime;
    LARGE_INTEGER start = {};
    if (!GetFileSizeEx(source, &size) || size.QuadPart > (256 << 20) || !GetFileTime(source, nullptr, nullptr, &writeTime) ||
        !SetFilePointerEx(source, start, nullptr, FILE_BEGIN))
        return;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(source, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()))
        return;
    WriteWholeAt(folder, kUninstallerName, bytes, &writeTime);
}

bool SetStringValue(HKEY key, const char* name, const std::string& value) {
    // Written in full with its terminating zero, however long.
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

void SetDwordValue(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The date of the install as the system's list reads it: yyyymmdd, local time.
std::string Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return StringPrintf("%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
}

// What the run put on the disk so far, in KB rounded up, as the system's list shows it.
DWORD InstalledKilobytes() {
    uint64_t bytes = 0;
    for (const RecordEntry& entry : RunRecordSoFar().entries) bytes += entry.size;
    uint64_t kb = (bytes + 1023) / 1024;
    return kb > MAXDWORD ? MAXDWORD : static_cast<DWORD>(kb);
}
}  // namespace

Registration RegisterUninstaller(const ScopePlaces& places) {
    Registration registration;
    if (!PathExists(kUninstallerName)) return registration;
    registration.offered = true;

    const InstallSettingsRecord& settings = InstallSettings;
    const bool user = places.scope == InstallScope::CurrentUser;
    const std::string& folder = places.uninstallerFolder;
    std::string uninstaller = folder.empty() ? std::string() : JoinPath(folder, kUninstallerName);
    registration.uninstallerPath = uninstaller;
    // Reached through the door: a user's folder of ours (in the user's local
    // application data, made here: the Windows folder is not the user's to
    // write) from the profile's root, so that no link the user puts on the
    // way takes the uninstaller elsewhere while setup runs elevated. The
    // Windows folder, only administrators change: a copy there by its path
    // would be safe too, and it is reached the same way, as one way for both.
    FolderWay way = WayToPlace(folder);
    std::shared_ptr<const HeldFolder> held;
    if (!folder.empty()) held = user ? way.Make(folder, [](const std::string&) { return true; }, {}) : way.Reach(folder);
    // A link on the way: neither the uninstaller nor the record goes behind it.
    if (!held && way.Stop() == DoorStop::Link) return registration;
    // Every book's entry of the scope starts the one copy there: a newer one
    // stays. The medium's copy is held open, shared for reading alone, from
    // its judgement to the end of its copy: nobody can write it in between,
    // so the file copied is the file judged.
    bool thereBefore = held && !held->Open(kUninstallerName).Missing();
    UniqueFile offered(CreateFileA(kUninstallerName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const UninstallerFacts medium{ProgramVersion(kUninstallerName),
                                  offered ? ReadFileSignature(offered.Get(), kUninstallerName).state
                                          : SignatureState::Broken};
    registration.uninstallerChanged = medium.signature == SignatureState::Broken;
    std::optional<UninstallerFacts> inPlace;
    if (thereBefore) inPlace = UninstallerFacts{ProgramVersion(uninstaller), ReadFileSignature(uninstaller).state};
    if (held && offered && ReplacesUninstaller(medium, inPlace)) CopyUninstaller(*held, offered.Get());
    offered = UniqueFile();
    HeldObject placed = held ? held->Open(kUninstallerName) : HeldObject();
    registration.uninstallerPlaced = placed.Held() && !placed.Facts().IsFolder() && !placed.Facts().link;
    placed.Close();

    // The product's name is the name of one key below Uninstall: without a
    // name the values would land in the Uninstall key itself, and a backslash
    // would make a key of the name's first part.
    const std::string& name = settings.ProductName;
    if (uninstaller.empty() || name.empty() || FindChar(name, '\\') != std::string::npos) return registration;
    HKEY uninstallKey = nullptr;
    if (RegCreateKeyExA(places.hive, kUninstallKeyPath, 0, nullptr, 0, KEY_CREATE_SUB_KEY, nullptr,
                        &uninstallKey, nullptr) != ERROR_SUCCESS)
        return registration;
    // Created by name below the open parent: the ANSI call refuses a whole
    // path past 260 characters, and a registry name may have 255.
    HKEY key = nullptr;
    LONG created =
        RegCreateKeyExA(uninstallKey, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(uninstallKey);
    if (created != ERROR_SUCCESS) return registration;
    // The uninstaller is the command, quoted (its folder may hold spaces, as
    // the user's does); the back-quoted folder and the product name are its
    // arguments. A book of the current user says so first, so that its
    // uninstaller looks at that user's entry and counts only.
    const std::string command = "\"" + uninstaller + "\"";
    const std::string scopeSwitch = user ? "/CURRENTUSER " : "";
    const std::string arguments = "`" + settings.InstallPath + "` " + settings.ProductName;
    bool written = SetStringValue(key, "DisplayName", settings.ProductName);
    written = SetStringValue(key, "UninstallString", command + " " + scopeSwitch + arguments) && written;
    // What the system's package tools run to remove the book without a
    // question: /S before the folder, as the product name runs to the end.
    written = SetStringValue(key, "QuietUninstallString", command + " /S " + scopeSwitch + arguments) && written;
    SetStringValue(key, "UninstallText", SetupTexts.UninstallText);
    SetStringValue(key, "UninstallProblemText", SetupTexts.UninstallProblemText);
    // What the system's list shows beside the name, and where a later setup
    // of the book finds its folder.
    std::optional<std::string> location = FullPath(settings.InstallPath);
    SetStringValue(key, "InstallLocation", StripTrailingBackslashes(location.value_or(settings.InstallPath), 3));
    SetStringValue(key, "DisplayIcon", uninstaller);
    SetStringValue(key, "InstallDate", Today());
    SetDwordValue(key, "EstimatedSize", InstalledKilobytes());
    SetDwordValue(key, "NoModify", 1);
    SetDwordValue(key, "NoRepair", 1);
    // Optional keys of the medium: a value left from an earlier setup goes with them.
    if (!settings.Publisher.empty()) SetStringValue(key, "Publisher", settings.Publisher);
    else RegDeleteValueA(key, "Publisher");
    if (!settings.Version.empty()) SetStringValue(key, "DisplayVersion", settings.Version);
    else RegDeleteValueA(key, "DisplayVersion");
    RegCloseKey(key);
    registration.entryWritten = written;
    if (registration.uninstallerPlaced) RecordUninstaller(settings.ProductName, uninstaller, thereBefore, places);
    registration.recordStored = SaveInstallRecord(settings.ProductName, settings.InstallPath, places);
    return registration;
}

std::string NoWayBackMessage(const Registration& registration) {
    if (registration.WayBack()) return {};
    const std::string& product = InstallSettings.ProductName;
    // A changed uninstaller is the reason, not the folder: say so, by the file's name.
    if (!registration.uninstallerPlaced && registration.uninstallerChanged)
        return StringPrintf("Setup has installed %s, but did not copy its uninstaller: XOVUNIN.EXE on the medium was "
                            "changed after it was signed. The book cannot be removed with the system's list of "
                            "installed software.",
                            product.c_str());
    if (!registration.entryWritten && !registration.uninstallerPlaced)
        return StringPrintf("Setup has installed %s, but could neither copy its uninstaller to %s nor write its "
                            "uninstall entry: the book cannot be removed with the system's list of installed software.",
                            product.c_str(), registration.uninstallerPath.c_str());
    if (!registration.entryWritten)
        return StringPrintf("Setup has installed %s, but could not write its uninstall entry: the book cannot be "
                            "removed with the system's list of installed software.",
                            product.c_str());
    if (!registration.uninstallerPlaced)
        return StringPrintf("Setup has installed %s, but could not copy its uninstaller to %s: the book cannot be "
                            "removed with the system's list of installed software.",
                            product.c_str(), registration.uninstallerPath.c_str());
    return StringPrintf("Setup has installed %s, but could not store the list of what it installed with its "
                        "uninstall entry: the book cannot be removed with the system's list of installed software.",
                        product.c_str());
}

std::string UninstallerNote(const Registration& registration) {
    if (!registration.uninstallerChanged || !registration.uninstallerPlaced) return {};
    return StringPrintf("XOVUNIN.EXE on the medium was changed after it was signed: setup did not copy it; the "
                        "uninstaller already in %s removes the book.",
                        registration.uninstallerPath.c_str());
}

std::optional<std::string> EarlierInstallFolder(const std::string& product, const ScopePlaces& places,
                                                std::string* ignored) {
    RegistryKey entry = OpenUninstallEntry(product, KEY_QUERY_VALUE, places);
    if (!entry) return std::nullopt;
    std::optional<std::string> folder = ReadEntryString(entry.Get(), "InstallLocation");
    // An entry of an older setup has no location; its record names the folder.
    if (!folder || folder->empty()) {
        std::optional<std::string> text = ReadRecordText(entry.Get());
        std::optional<InstallRecord> record = text ? ParseRecord(*text) : std::nullopt;
        if (record) folder = record->installFolder;
    }
    // A full path on a drive that is still a folder: anything else is no proposal.
    if (!folder || folder->size() < 3 || (*folder)[1] != ':' || (*folder)[2] != '\\' || !IsFolder(*folder))
        return std::nullopt;
    if (!MayActAt(places, *folder)) {
        if (ignored) *ignored = *folder;
        return std::nullopt;
    }
    return folder;
}

std::string IgnoredEarlierFolderText(const std::string& folder) {
    return "The earlier install's folder " + folder +
           " lies outside the user's folder: a run with administrator rights does not take it from the user's "
           "entry.";
}
