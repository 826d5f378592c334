#include "engine/FileOperations.h"

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {
class FileOperations : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = WorkFolder(std::string("FileOperations.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveTree(m_root);
        MakeFolders(m_root);
    }
    void TearDown() override { RemoveTree(m_root); }
    std::string m_root;
};

TEST_F(FileOperations, CreateDirectoryPathMakesEveryFolderAlongThePath) {
    EXPECT_TRUE(CreateDirectoryPath(m_root + "\\A\\B\\C"));
    EXPECT_TRUE(FileExists(m_root + "\\A\\B\\C"));
    // Doubled and trailing separators, and folders that already exist.
    EXPECT_TRUE(CreateDirectoryPath(m_root + "\\A\\\\D\\"));
    EXPECT_TRUE(FileExists(m_root + "\\A\\D"));
    // A relative path is created below the current directory.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(m_root.c_str());
    EXPECT_TRUE(CreateDirectoryPath("R\\S"));
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(FileExists(m_root + "\\R\\S"));
}

TEST_F(FileOperations, CreateDirectoryPathRefusesNetworkAndOverlongPaths) {
    EXPECT_FALSE(CreateDirectoryPath("\\\\server\\share\\dir"));
    std::string overlong = m_root + "\\Top\\" + std::string(MAX_PATH, 'x');
    EXPECT_FALSE(CreateDirectoryPath(overlong));
    EXPECT_FALSE(FileExists(m_root + "\\Top")) << "no part of an overlong path is created";
}

TEST_F(FileOperations, PathExistsIsFalseOnlyForFileNotFound) {
    WriteWholeFile(m_root + "\\File.txt", "x");
    const struct {
        std::string path;
        bool expected;
    } cases[] = {
        {m_root + "\\File.txt", true},
        {m_root, true},
        {m_root + "\\Missing.txt", false},
        // A missing folder on the way is "path not found" (error 3): present.
        {m_root + "\\NoSuchFolder\\File.txt", true},
    };
    for (const auto& c : cases) EXPECT_EQ(PathExists(c.path), c.expected) << c.path;
}

TEST_F(FileOperations, QueryFileSizeAndWriteTimeOfTheFirstMatch) {
    WriteWholeFile(m_root + "\\Data.bin", std::string(70000, 'd'));
    HANDLE file = CreateFileA((m_root + "\\Data.bin").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    SYSTEMTIME when = {1996, 11, 4, 14, 19, 42, 3, 0};
    FILETIME written;
    SystemTimeToFileTime(&when, &written);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);

    EXPECT_EQ(QueryFileSize(m_root + "\\Data.bin"), 70000u);
    EXPECT_EQ(QueryFileSize(m_root + "\\Missing.bin"), 0u);
    FILETIME got = QueryFileWriteTime(m_root + "\\Data.bin");
    EXPECT_EQ(CompareFileTime(&got, &written), 0);
}

TEST(MakeLongFileName, TurnsUnderscoreNamesIntoLongNames) {
    const struct {
        const char* name;
        const char* expected;
    } cases[] = {
        {"READ_ME.TXT", "Read Me.txt"}, {"CHAP_1_B", "Chap 1 B"}, {"SETUP.EX_", "Setup.ex "},
        {"A__B", "A  B"},               {"", ""},                 {"_X_", " X "},
        {"MY_DOCS", "My Docs"},         {"already long", "Already long"},
    };
    for (const auto& c : cases) EXPECT_EQ(MakeLongFileName(c.name), c.expected) << c.name;
}
}  // namespace
