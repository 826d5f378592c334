#include "dialogs/ChosenFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {
TEST(ChosenFolder, MissingFolderOrMissingParentIsAskedAbout) {
    std::string work = TEST_WORK_DIR "\\chosen";
    CreateDirectoryA(TEST_WORK_DIR, nullptr);
    CreateDirectoryA(work.c_str(), nullptr);
    std::string file = work + "\\file.txt";
    CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    struct Case {
        std::string path;
        bool missing;
    };
    const Case cases[] = {
        {work, false},
        {work + "\\", false},
        {file, false},
        {work + "\\new", true},
        {work + "\\new\\deeper", true},
        {work + "\\a\\b\\c", true},
        {"C:\\", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ChosenFolderIsMissing(c.path), c.missing) << c.path;
    DeleteFileA(file.c_str());
}
}  // namespace
