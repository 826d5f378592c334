// The door: every act below a held folder is made on what was opened by one
// name from it, never through a link, and a held folder cannot be swapped.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "framework/FolderWay.h"
#include "framework/HeldFolder.h"

namespace {
class Door : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = WorkFolder(std::string("Door.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveTree(m_root);
        MakeFolders(m_root + "\\Real\\Below");
        MakeFolders(m_root + "\\Elsewhere");
        ASSERT_TRUE(WriteWholeFile(m_root + "\\Elsewhere\\system.dll", "the system's"));
        ASSERT_TRUE(MakeLinuxLink(m_root + "\\Linked", m_root + "\\Elsewhere"));
    }
    void TearDown() override {
        RemoveLinuxLink(m_root + "\\Linked");
        RemoveLinuxLink(m_root + "\\Real\\Linked");
        RemoveTree(m_root);
    }
    std::string m_root;
};

TEST_F(Door, AFolderIsOpenedByOneNameAndNeverThroughALink) {
    HeldFolder root = HeldFolder::Root(m_root);
    ASSERT_TRUE(root.Held());
    ASSERT_TRUE(WriteWholeFile(m_root + "\\file.txt", "x"));
    struct Row {
        const char* name;
        DoorStop stop;
    } rows[] = {
        {"Real", DoorStop::None},      {"REAL", DoorStop::None},      {"Linked", DoorStop::Link},
        {"file.txt", DoorStop::NotFolder}, {"Nothing", DoorStop::Missing}, {"..", DoorStop::BadName},
        {".", DoorStop::BadName},      {"Real\\Below", DoorStop::BadName}, {"Real/Below", DoorStop::BadName},
        {"Real:stream", DoorStop::BadName}, {"Real.", DoorStop::BadName}, {".. ", DoorStop::BadName},
        {"", DoorStop::BadName},
    };
    for (const Row& row : rows) {
        HeldFolder folder = root.Folder(row.name);
        EXPECT_EQ(static_cast<int>(folder.Stop()), static_cast<int>(row.stop)) << "name '" << row.name << "'";
        EXPECT_EQ(folder.Held(), row.stop == DoorStop::None) << row.name;
    }
    // What a link leads to is never made nor written in, and its name is never entered.
    bool made = true;
    EXPECT_FALSE(root.MakeFolder("Linked", &made).Held());
    EXPECT_FALSE(made);
    EXPECT_FALSE(root.Create("Linked", GENERIC_WRITE, 0, 0));
    // A root is the reader's choice: a link there is followed, once.
    HeldFolder linkedRoot = HeldFolder::Root(m_root + "\\Linked");
    ASSERT_TRUE(linkedRoot.Held());
    EXPECT_EQ(linkedRoot.Identity(), HeldFolder::Root(m_root + "\\Elsewhere").Identity());
}

TEST_F(Door, AWayStopsAtALinkAtEveryDepthAndHoldsWhatItPassed) {
    ASSERT_TRUE(MakeLinuxLink(m_root + "\\Real\\Linked", m_root + "\\Elsewhere"));
    FolderWay way(HeldFolder::Root(m_root));
    ASSERT_TRUE(way.Held());
    // The root itself, a folder below, and links at each depth.
    EXPECT_TRUE(way.Reach(m_root));
    EXPECT_TRUE(way.Reach(m_root + "\\Real\\Below"));
    EXPECT_FALSE(way.Reach(m_root + "\\Linked\\Deeper"));
    EXPECT_EQ(static_cast<int>(way.Stop()), static_cast<int>(DoorStop::Link));
    EXPECT_EQ(way.At(), m_root + "\\Linked");
    EXPECT_FALSE(way.Reach(m_root + "\\Real\\Linked"));
    EXPECT_EQ(way.At(), m_root + "\\Real\\Linked");
    EXPECT_FALSE(way.Reach(m_root + "\\Other"));  // missing
    EXPECT_EQ(static_cast<int>(way.Stop()), static_cast<int>(DoorStop::Missing));
    EXPECT_FALSE(way.Reach(m_root + "Sibling"));  // beside the root, not below it
    EXPECT_EQ(static_cast<int>(way.Stop()), static_cast<int>(DoorStop::BadName));

    // A folder held cannot be renamed away to put a link in its place.
    std::shared_ptr<const HeldFolder> below = way.Reach(m_root + "\\Real\\Below");
    ASSERT_TRUE(below);
    EXPECT_FALSE(MoveFileA((m_root + "\\Real").c_str(), (m_root + "\\Moved").c_str()));
    EXPECT_FALSE(MoveFileA((m_root + "\\Real\\Below").c_str(), (m_root + "\\Moved").c_str()));
    // Let go of, it can.
    below.reset();
    way.Release(m_root + "\\Real");
    EXPECT_TRUE(MoveFileA((m_root + "\\Real\\Below").c_str(), (m_root + "\\Real\\Moved").c_str()));
}

TEST_F(Door, MakingAWayNotesEachFolderAheadAndHearsWhichWasMade) {
    FolderWay way(HeldFolder::Root(m_root));
    std::vector<std::string> noted, made;
    auto before = [&](const std::string& path) {
        noted.push_back(path);
        return path != m_root + "\\New\\Refused";
    };
    auto after = [&](const std::string& path, const HeldFolder& folder, bool wasMade) {
        if (wasMade && folder.Held()) made.push_back(path);
    };
    ASSERT_TRUE(way.Make(m_root + "\\Real\\New\\Deeper", before, after));
    EXPECT_EQ(made, (std::vector<std::string>{m_root + "\\Real\\New", m_root + "\\Real\\New\\Deeper"}));
    EXPECT_EQ(noted, made) << "the folders that stood are neither noted nor made";
    EXPECT_TRUE(FileExists(m_root + "\\Real\\New\\Deeper"));
    // A folder the journal could not note is not made.
    EXPECT_FALSE(way.Make(m_root + "\\New\\Refused\\X", before, after));
    EXPECT_FALSE(FileExists(m_root + "\\New\\Refused"));
    // Nor is anything made behind a link.
    EXPECT_FALSE(way.Make(m_root + "\\Linked\\Made", before, after));
    EXPECT_FALSE(FileExists(m_root + "\\Elsewhere\\Made"));
}

TEST_F(Door, WritingAnewTakesAwayTheNameNeverWhatItLeadsTo) {
    HeldFolder root = HeldFolder::Root(m_root);
    ASSERT_TRUE(root.Held());
    // A second name of a file elsewhere, and a file of one name.
    ASSERT_TRUE(CreateHardLinkA((m_root + "\\second.log").c_str(), (m_root + "\\Elsewhere\\system.dll").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(m_root + "\\plain.log", "old"));
    for (const char* name : {"second.log", "plain.log", "new.log"}) {
        UniqueFile file = root.CreateFresh(name, GENERIC_WRITE, 0, 0);
        ASSERT_TRUE(file) << name;
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), "ours", 4, &written, nullptr));
    }
    EXPECT_EQ(FileContent(m_root + "\\second.log"), "ours");
    EXPECT_EQ(FileContent(m_root + "\\plain.log"), "ours");
    EXPECT_EQ(FileContent(m_root + "\\Elsewhere\\system.dll"), "the system's");
    // A link to a folder at the name: the folder it leads to keeps its files.
    root.CreateFresh("Linked", GENERIC_WRITE, 0, 0);
    EXPECT_EQ(FileContent(m_root + "\\Elsewhere\\system.dll"), "the system's");
    // A real folder at the name stays, an empty one too.
    EXPECT_FALSE(root.CreateFresh("Real", GENERIC_WRITE, 0, 0));
    EXPECT_TRUE(FileExists(m_root + "\\Real\\Below"));
    MakeFolders(m_root + "\\Empty");
    EXPECT_FALSE(root.CreateFresh("Empty", GENERIC_WRITE, 0, 0));
    EXPECT_TRUE(FileExists(m_root + "\\Empty"));
}

TEST_F(Door, WhatIsOpenedIsWhatIsRenamedAndDeleted) {
    HeldFolder root = HeldFolder::Root(m_root);
    HeldFolder real = root.Folder("Real");
    ASSERT_TRUE(real.Held());
    ASSERT_TRUE(WriteWholeFile(m_root + "\\Real\\a.txt", "a", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteWholeFile(m_root + "\\Real\\b.txt", "b"));
    // Never over a name that holds a file, unless asked.
    HeldObject a = real.Open("a.txt");
    ASSERT_TRUE(a.Held());
    EXPECT_FALSE(a.Facts().link);
    EXPECT_EQ(a.Facts().size, 1u);
    // The facts are what the system tells of the file by its path.
    WIN32_FILE_ATTRIBUTE_DATA byPath = {};
    ASSERT_TRUE(GetFileAttributesExA((m_root + "\\Real\\a.txt").c_str(), GetFileExInfoStandard, &byPath));
    EXPECT_EQ(a.Facts().attributes, byPath.dwFileAttributes);
    EXPECT_EQ(a.Facts().writeTime, static_cast<uint64_t>(byPath.ftLastWriteTime.dwHighDateTime) << 32 |
                                        byPath.ftLastWriteTime.dwLowDateTime);
    HANDLE opened = CreateFileA((m_root + "\\Real\\a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info = {};
    ASSERT_TRUE(GetFileInformationByHandle(opened, &info));
    CloseHandle(opened);
    EXPECT_EQ(a.Facts().identity, IdentityOf(info));
    EXPECT_EQ(a.Facts().names, 1u);
    EXPECT_FALSE(a.RenameTo(real, "b.txt"));
    EXPECT_EQ(FileContent(m_root + "\\Real\\b.txt"), "b");
    // Into another held folder, by name.
    a = real.Open("a.txt");
    EXPECT_TRUE(a.RenameTo(root, "a-kept.txt"));
    EXPECT_EQ(FileContent(m_root + "\\a-kept.txt"), "a");
    HeldObject b = real.Open("b.txt");
    EXPECT_TRUE(b.RenameTo(real, "B2.txt", true));
    // A read-only file of ours goes.
    HeldObject kept = root.Open("a-kept.txt");
    ASSERT_TRUE(kept.Held());
    EXPECT_TRUE(kept.Delete());
    EXPECT_FALSE(FileExists(m_root + "\\a-kept.txt"));
    // A folder only when empty; a link is told as one.
    EXPECT_FALSE(root.Open("Real").Delete());
    EXPECT_TRUE(root.Open("Linked").Facts().link);
    EXPECT_TRUE(root.Open("Nothing").Missing());
    EXPECT_EQ(static_cast<int>(root.Open("..").Stop()), static_cast<int>(DoorStop::BadName));
}
}  // namespace
