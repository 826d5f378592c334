#include "engine/Shortcut.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include "TestFiles.h"
#include "framework/CodePage.h"
#include "record/SetupRunRecord.h"
#include "settings/InstallSettings.h"

namespace {
class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        // Below the profile: the shell folders are the user's values, and a
        // run with rights (every run under Wine) writes only there.
        root = UserProfileFolder() + "\\shortcut-test";
        RemoveTree(root);
        MakeFolders(root);
        desktop = root + "\\Desktop";
        documents = root + "\\Documents";
        favorites = root + "\\Favorites";
        target = root + "\\Zandel";
        for (const std::string& folder : {desktop, documents, favorites, target})
            CreateDirectoryA(folder.c_str(), nullptr);
        InstallSettings = InstallSettingsRecord();
        InstallSettings.DesktopDir = desktop;
        InstallSettings.PersonalDir = documents;
        InstallSettings.FavoritesDir = favorites;
        InstallSettings.InstallPath = target;
        InstallSettings.ShortcutName = "Zandel Files";
    }
    void TearDown() override {
        RemoveTree(root);
        CoUninitialize();
    }

public:
    std::string root, desktop, documents, favorites, target;
};

TEST_F(Shortcuts, TheLocationChoosesTheFolderInAnyLetterCaseButNotWithSpaces) {
    struct Case {
        const char* location;
        std::string Shortcuts::*folder;  // nullptr: no shortcut at all
    };
    const Case cases[] = {
        {"Desktop", &Shortcuts::desktop},     {"desktop", &Shortcuts::desktop},
        {"My Documents", &Shortcuts::documents}, {"FAVORITES", &Shortcuts::favorites},
        {"Desktop ", nullptr},                {"NULL", nullptr},
        {"", nullptr},                        {"Start Menu", nullptr},
    };
    for (const Case& c : cases) {
        SetUp();
        InstallSettings.ShortcutLocation = c.location;
        CreateInstallShortcut();
        for (const std::string* folder : {&desktop, &documents, &favorites}) {
            bool wanted = c.folder && folder == &(this->*c.folder);
            std::string link = *folder + "\\Zandel Files.Lnk";
            EXPECT_EQ(FileExists(link), wanted) << "location '" << c.location << "', " << link;
            if (wanted) {
                EXPECT_EQ(ShellLinkTarget(link), target) << c.location;
            }
        }
        // The drive and folder are recorded exactly when a folder was chosen.
        EXPECT_EQ(InstallSettings.InstallDrive, c.folder ? target.substr(0, 2) : "") << c.location;
        EXPECT_EQ(InstallSettings.InstallDir, c.folder ? target.substr(2) : "") << c.location;
        TearDown();
    }
    // A Desktop the user's value names outside the profile: a run with
    // rights (every run under Wine) writes no shortcut there.
    const std::string outside = MakeTestFolder("shortcut-outside");
    InstallSettings.DesktopDir = outside;
    InstallSettings.ShortcutLocation = "Desktop";
    CreateInstallShortcut();
    EXPECT_FALSE(FileExists(outside + "\\Zandel Files.Lnk"));
    RemoveTree(outside);
}

TEST_F(Shortcuts, AnUnreportedShellFolderMakesNoShortcutAndRecordsNothing) {
    InstallSettings.FavoritesDir = "";
    InstallSettings.ShortcutLocation = "Favorites";
    CreateInstallShortcut();
    EXPECT_FALSE(FileExists(favorites + "\\Zandel Files.Lnk"));
    EXPECT_EQ(InstallSettings.InstallDrive, "");
    EXPECT_EQ(InstallSettings.InstallDir, "");
}

TEST_F(Shortcuts, DriveAndFolderAreRecordedEvenWhenTheLinkCannotBeSaved) {
    InstallSettings.DesktopDir = root + "\\NoSuchFolder";
    InstallSettings.ShortcutLocation = "DESKTOP";
    InstallSettings.InstallPath = "D:\\X";
    CreateInstallShortcut();
    EXPECT_FALSE(FileExists(root + "\\NoSuchFolder\\Zandel Files.Lnk"));
    EXPECT_EQ(InstallSettings.InstallDrive, "D:");
    EXPECT_EQ(InstallSettings.InstallDir, "\\X");
}

TEST_F(Shortcuts, AnEmptyNameGivesADotLnkFileAndAnExistingLinkIsOverwritten) {
    InstallSettings.ShortcutLocation = "Desktop";
    InstallSettings.ShortcutName = "";
    WriteWholeFile(desktop + "\\.Lnk", "not a link");
    CreateInstallShortcut();
    EXPECT_EQ(ShellLinkTarget(desktop + "\\.Lnk"), target);
    // A second name of another file at the shortcut's name (the Desktop is
    // the user's, setup may run elevated) is taken away, never written through.
    ASSERT_TRUE(WriteWholeFile(desktop + "\\precious.ini", "the system's"));
    ASSERT_TRUE(DeleteFileA((desktop + "\\.Lnk").c_str()));
    ASSERT_TRUE(CreateHardLinkA((desktop + "\\.Lnk").c_str(), (desktop + "\\precious.ini").c_str(), nullptr));
    CreateInstallShortcut();
    EXPECT_EQ(FileContent(desktop + "\\precious.ini"), "the system's");
    EXPECT_EQ(ShellLinkTarget(desktop + "\\.Lnk"), target);
}

// The Desktop, or a folder above it, a link the user made while setup runs
// elevated: no shortcut, nothing written behind the link, nothing recorded.
TEST_F(Shortcuts, NoShortcutIsWrittenThroughALinkOnTheWay) {
    const std::string elsewhere = MakeTestFolder("shortcut-elsewhere");
    MakeFolders(elsewhere + "\\Desktop");
    RemoveTree(desktop);
    ASSERT_TRUE(MakeLinuxLink(desktop, elsewhere));
    ASSERT_TRUE(MakeLinuxLink(root + "\\Profile", elsewhere));
    InstallSettings.ShortcutLocation = "Desktop";
    ForgetRunRecord();
    for (const std::string& folder : {desktop, root + "\\Profile\\Desktop"}) {
        InstallSettings.DesktopDir = folder;
        CreateInstallShortcut();
        EXPECT_FALSE(FileExists(folder + "\\Zandel Files.Lnk")) << folder;
    }
    EXPECT_EQ(ListingOrder(elsewhere), std::vector<std::string>{"Desktop"});
    EXPECT_EQ(ListingOrder(elsewhere + "\\Desktop"), std::vector<std::string>{});
    EXPECT_EQ(RunRecordSoFar().entries.size(), 0u) << "a shortcut recorded";
    EXPECT_TRUE(RemoveLinuxLink(desktop));
    EXPECT_TRUE(RemoveLinuxLink(root + "\\Profile"));
    RemoveTree(elsewhere);
}

// The link's bytes, taken from the link object's stream and written through
// the door, are those its own save to a file writes: the same size, the same
// target read back (the bytes themselves hold the times of the target's
// folders, which other programs change between two saves).
TEST(CreateShortcut, WritesTheBytesTheLinkObjectsOwnSaveWrites) {
    CoInitialize(nullptr);
    // The target apart from where the links go: a link holds its folders'
    // times, and writing the first link changes its own folder's.
    const std::string folder = MakeTestFolder("shortcut-bytes");
    const std::string target = MakeTestFolder("shortcut-bytes-target") + "\\Zandel", description = "Zandel's files";
    MakeFolders(target);
    ASSERT_TRUE(SUCCEEDED(CreateShortcut(target, folder + "\\Ours.lnk", description)));
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&link))));
    link->SetPath(WideText(target).c_str());
    link->SetDescription(WideText(description).c_str());
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    EXPECT_TRUE(SUCCEEDED(file->Save(WideText(folder + "\\Saved.lnk").c_str(), TRUE)));
    file->Release();
    link->Release();
    const std::string saved = FileContent(folder + "\\Saved.lnk");
    EXPECT_GT(saved.size(), 76u) << "a shell link's header alone is 76 bytes";
    EXPECT_EQ(FileContent(folder + "\\Ours.lnk").size(), saved.size());
    EXPECT_EQ(FileContent(folder + "\\Ours.lnk").substr(0, 76), saved.substr(0, 76)) << "the header";
    EXPECT_EQ(ShellLinkTarget(folder + "\\Ours.lnk"), target);
    EXPECT_EQ(ListingOrder(folder).size(), 2u) << "nothing left beside the link";
    RemoveTree(folder);
    RemoveTree(WorkFolder("shortcut-bytes-target"));
    CoUninitialize();
}

TEST(CreateShortcut, ALinkPathBeyondTheSystemBoundIsRefusedNotCut) {
    CoInitialize(nullptr);
    std::string folder = MakeTestFolder("shortcut-long");
    std::string name(300, 'n');
    HRESULT result = CreateShortcut(folder, folder + "\\" + name + ".Lnk", "");
    EXPECT_TRUE(FAILED(result));
    EXPECT_FALSE(FileExists(folder + "\\" + name.substr(0, 200)));
    CoUninitialize();
}
}  // namespace
