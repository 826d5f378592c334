// Where the uninstall registration goes: the one uninstaller in the Windows
// folder replaced only by a newer one, a user's earlier folder taken by an
// elevated run only below the profile, and the product's one key below
// Uninstall.
#include "UninstallRegistrationTestSupport.h"

namespace {
// Every book's entry starts the one uninstaller in the Windows folder: the
// medium's replaces it only when newer by its version resource, and a file
// without one is older than any with one.
TEST_F(UninstallRegistration, OnlyANewerUninstallerReplacesTheOneInPlace) {
    EXPECT_EQ(ProgramVersion(OLDER_XOVUNIN_EXE), 0x0000000900000000ull) << "0.9.0.0";
    EXPECT_GT(ProgramVersion(XOVUNIN_EXE).value_or(0), 0x0000000900000000ull);
    EXPECT_EQ(ProgramVersion(medium + "\\XOVUNIN.EXE"), std::nullopt) << "a file without a version resource";
    const std::string newer = FileContent(XOVUNIN_EXE), older = FileContent(OLDER_XOVUNIN_EXE);
    const std::string signedNewer = FileContent(SIGNED_DIR "\\XOVUNIN.EXE"),
                      signedOlder = FileContent(SIGNED_DIR "\\older\\XOVUNIN.EXE"),
                      changedNewer = FileContent(SIGNED_DIR "\\changed\\XOVUNIN.EXE"),
                      damagedNewer = FileContent(SIGNED_DIR "\\damaged\\XOVUNIN.EXE");
    const struct {
        const char* name;
        std::string onMedium, inPlace;
        bool replaced;
    } cases[] = {
        {"an older one over a newer", older, newer, false},
        {"a newer one over an older", newer, older, true},
        {"another build of the same version", newer + "another build", newer, false},
        {"one without a version over one with", "stand-in uninstaller", older, false},
        {"one with a version over one without", older, "stand-in uninstaller", true},
        // Every book's entry runs the copy with rights: one changed after
        // signing never goes there, and only a whole signature replaces one.
        {"a signed newer one over a signed older", signedNewer, signedOlder, true},
        {"a signed newer one over an unsigned older", signedNewer, older, true},
        {"an unsigned newer one over a signed older", newer, signedOlder, false},
        {"a newer one changed after signing over an older", changedNewer, older, false},
        {"a newer one with a damaged signature over an older", damagedNewer, older, false},
        {"a signed older one over a signed newer", signedOlder, signedNewer, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteWholeFile(medium + "\\XOVUNIN.EXE", c.onMedium));
        ASSERT_TRUE(WriteWholeFile(Uninstaller(), c.inPlace));
        ForgetRunRecord();
        {
            CurrentDirectoryScope here(medium);
            RegisterUninstaller(places);
        }
        EXPECT_TRUE(FileContent(Uninstaller()) == (c.replaced ? c.onMedium : c.inPlace)) << c.name;
    }
    EXPECT_EQ(SharedCount(Uninstaller(), places), 2u) << "there before without a count: its owner and this book";

    // With none in place, a changed one is not copied either: the book cannot
    // be removed, and the run says why, by the file's name.
    for (const std::string& changed : {changedNewer, damagedNewer}) {
        ASSERT_TRUE(WriteWholeFile(medium + "\\XOVUNIN.EXE", changed));
        DeleteFileA(Uninstaller().c_str());
        ForgetRunRecord();
        CurrentDirectoryScope here(medium);
        Registration registration = RegisterUninstaller(places);
        EXPECT_FALSE(FileExists(Uninstaller()));
        EXPECT_FALSE(registration.WayBack());
        EXPECT_EQ(NoWayBackMessage(registration),
                  "Setup has installed Zandel Test Companion, but did not copy its uninstaller: XOVUNIN.EXE on the "
                  "medium was changed after it was signed. The book cannot be removed with the system's list of "
                  "installed software.");
    }
    // With a whole one in place, that one serves the book, and the log says the medium's was refused.
    ASSERT_TRUE(WriteWholeFile(Uninstaller(), signedOlder));
    CurrentDirectoryScope here(medium);
    Registration registration = RegisterUninstaller(places);
    EXPECT_TRUE(FileContent(Uninstaller()) == signedOlder);
    EXPECT_TRUE(registration.WayBack());
    EXPECT_EQ(UninstallerNote(registration), "XOVUNIN.EXE on the medium was changed after it was signed: setup did "
                                             "not copy it; the uninstaller already in " +
                                                 Uninstaller() + " removes the book.");
}

bool UninstallKeyHasValue(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// A user's entry is the user's to write without rights: an elevated run for
// that user takes its InstallLocation as the proposal only strictly below
// the user's profile (never by a path that climbs out of it); a run without
// rights (the user's own) takes any folder that is there.
TEST_F(UninstallRegistration, AnElevatedRunTakesTheUsersEarlierFolderOnlyBelowTheProfile) {
    const std::string profile = MakeTestFolder("uninstall-profile");
    const std::string inside = profile + "\\Books\\Zandel";
    MakeFolders(inside);
    const std::string product = InstallSettings.ProductName, key = kUninstallKey + product;
    HKEY entry = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &entry, nullptr),
              ERROR_SUCCESS);
    const struct {
        bool elevated;
        std::string location;
        bool taken;
    } rows[] = {
        {true, inside, true},
        {true, windows, false},
        {true, profile, false},
        {true, profile + "\\..\\uninstall-windows", false},
        {false, windows, true},
        {false, inside, true},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(RegSetValueExA(entry, "InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(row.location.c_str()),
                                 static_cast<DWORD>(row.location.size() + 1)),
                  ERROR_SUCCESS);
        ScopePlaces user = PlacesFor(InstallScope::CurrentUser, row.elevated);
        user.userProfile = profile;
        std::string ignored;
        const std::string name = (row.elevated ? "elevated: " : "unelevated: ") + row.location;
        EXPECT_EQ(EarlierInstallFolder(product, user, &ignored),
                  row.taken ? std::optional<std::string>(row.location) : std::nullopt)
            << name;
        EXPECT_EQ(ignored, row.taken ? "" : row.location) << name;
    }
    EXPECT_NE(IgnoredEarlierFolderText(windows).find(windows), std::string::npos);
    RegCloseKey(entry);
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    RemoveTree(profile);
}

// A name of 255 characters is one the registry holds, though the whole key
// path is then past 260; an empty name or one with a backslash is no key name.
TEST_F(UninstallRegistration, ProductNameIsOneKeyBelowUninstallOrNothing) {
    const std::string longest(255, 'N');
    InstallSettings.ProductName = longest;
    {
        CurrentDirectoryScope here(medium);
        RegisterUninstaller(places);
    }
    EXPECT_EQ(ReadEntry(longest)["DisplayName"], longest);
    HKEY uninstall;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS, &uninstall), ERROR_SUCCESS);
    RegDeleteKeyA(uninstall, longest.c_str());
    RegCloseKey(uninstall);

    for (const char* name : {"", "Books\\Zandel"}) {
        InstallSettings.ProductName = name;
        {
            CurrentDirectoryScope here(medium);
            Registration registration = RegisterUninstaller(places);
            // Never "complete" without a way back: the run says what is missing.
            EXPECT_FALSE(registration.WayBack()) << "'" << name << "'";
            EXPECT_NE(NoWayBackMessage(registration).find("could not write its uninstall entry"), std::string::npos);
        }
        EXPECT_FALSE(UninstallKeyHasValue("DisplayName")) << "'" << name << "'";
        EXPECT_TRUE(ReadEntry("Books").empty()) << "'" << name << "'";
    }
    InstallSettings.ProductName = "Zandel Test Companion";

    // A way back needs all three: the uninstaller, its entry, and the record
    // that tells it what to remove (without one it refuses the book).
    const struct {
        bool placed, entry, record;
        const char* says;
    } parts[] = {
        {true, true, true, nullptr},
        {false, true, true, "could not copy its uninstaller"},
        {true, false, true, "could not write its uninstall entry"},
        {true, true, false, "could not store the list of what it installed"},
    };
    for (const auto& part : parts) {
        Registration registration;
        registration.offered = true;
        registration.uninstallerPlaced = part.placed;
        registration.entryWritten = part.entry;
        registration.recordStored = part.record;
        EXPECT_EQ(registration.WayBack(), part.says == nullptr) << part.placed << part.entry << part.record;
        if (part.says) EXPECT_NE(NoWayBackMessage(registration).find(part.says), std::string::npos) << part.says;
    }

    // A user's folder of ours that is a link (the user may make one while
    // setup runs elevated) takes neither the uninstaller nor the record elsewhere.
    const std::string elsewhere = MakeTestFolder("uninstall-elsewhere");
    ScopePlaces user = places;
    user.scope = InstallScope::CurrentUser;
    user.uninstallerFolder = windows + "\\Book Setup";
    ASSERT_TRUE(MakeLinuxLink(user.uninstallerFolder, elsewhere));
    {
        CurrentDirectoryScope here(medium);
        Registration registration = RegisterUninstaller(user);
        EXPECT_FALSE(registration.uninstallerPlaced);
        EXPECT_FALSE(registration.WayBack());
    }
    EXPECT_EQ(ListingOrder(elsewhere), std::vector<std::string>{});
    EXPECT_TRUE(RemoveLinuxLink(user.uninstallerFolder));
    // Nor does a link on the way to it, with the folder of ours behind it.
    MakeFolders(elsewhere + "\\Book Setup");
    ASSERT_TRUE(MakeLinuxLink(windows + "\\Local", elsewhere));
    user.uninstallerFolder = windows + "\\Local\\Book Setup";
    {
        CurrentDirectoryScope here(medium);
        Registration registration = RegisterUninstaller(user);
        EXPECT_FALSE(registration.uninstallerPlaced);
        EXPECT_FALSE(registration.WayBack());
    }
    EXPECT_EQ(ListingOrder(elsewhere + "\\Book Setup"), std::vector<std::string>{});
    EXPECT_TRUE(RemoveLinuxLink(windows + "\\Local"));
    RemoveTree(elsewhere);
}
}  // namespace
