#include "dialogs/ChosenFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {
TEST(ChosenFolder, MissingFolderOrMissingParentIsAskedAbout) {
    std::string work = MakeTestFolder("chosen");
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

// Of the folders made in the destination dialog, only those on the way to the
// chosen folder belong to the run: D:\Books made in the browser, then
// C:\Zandel picked, leaves D:\Books to the reader, unrecorded.
TEST(ChosenFolder, OnlyTheChosenPathsFoldersBelongToTheRun) {
    using Folders = std::vector<std::string>;
    const struct {
        Folders made;
        std::string chosen;
        Folders belong;
    } cases[] = {
        {{"D:\\Books"}, "C:\\Zandel", {}},
        {{"D:\\Books", "C:\\Zandel"}, "C:\\Zandel", {"C:\\Zandel"}},
        {{"C:\\Books", "C:\\Books\\A", "C:\\Books\\B"}, "C:\\books\\b\\", {"C:\\Books", "C:\\Books\\B"}},
        {{"C:\\Book", "C:\\Books"}, "C:\\Books\\Zandel", {"C:\\Books"}},
        {{"C:\\Books\\Zandel"}, "C:\\Books", {}},
        {{"C:\\Zandel"}, "C:\\Zandel", {"C:\\Zandel"}},
    };
    for (const auto& c : cases) EXPECT_EQ(FoldersOfChosenPath(c.made, c.chosen), c.belong) << c.chosen;
}
}  // namespace
