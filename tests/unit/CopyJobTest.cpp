// The copy engine's walk: the tree copied, names made long, compressed files
// expanded, the bar moved, and the paths the walk takes or leaves.
#include "CopyEngineTestSupport.h"

namespace {
TEST_F(CopyEngine, CopiesTheTreeSkippingOnlyFoldersThatStartWithADot) {
    Source("README.TXT", "readme");
    Source(".profile", "dot file");
    Source("HIDDEN.DAT", "hidden", FILE_ATTRIBUTE_HIDDEN);
    Source("LOCKED.TXT", "read-only", FILE_ATTRIBUTE_READONLY);
    Source("DOCS\\GUIDE.TXT", "guide");
    Source("DOCS\\DEEP\\DEEPER\\LEAF.TXT", "leaf");
    Source("DOCS\\.svn\\entries", "svn");
    Source(".old\\STALE.TXT", "stale");
    Copy();
    // The bar's range: every installed file's bytes (6+8+6+9+5+4), the dot folders' none.
    EXPECT_EQ(m_report.Bytes().total, 38u) << "the copy lists before its first file";
    EXPECT_EQ(m_report.Bytes().done, 38u) << "the bar ends where the listing did";

    const std::map<std::string, std::string> expected = {
        {"README.TXT", "readme"},          {".profile", "dot file"},
        {"HIDDEN.DAT", "hidden"},          {"LOCKED.TXT", "read-only"},
        {"DOCS\\GUIDE.TXT", "guide"},      {"DOCS\\DEEP\\DEEPER\\LEAF.TXT", "leaf"},
    };
    for (const auto& [path, content] : expected) EXPECT_EQ(Installed(path), content) << path;
    EXPECT_FALSE(FileExists(m_dest + "\\.old"));
    EXPECT_FALSE(FileExists(m_dest + "\\DOCS\\.svn"));
    // Copied files carry no attributes: a read-only file from a CD becomes writable.
    for (const char* name : {"LOCKED.TXT", "HIDDEN.DAT"}) {
        DWORD attributes = GetFileAttributesA((m_dest + "\\" + name).c_str());
        EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u) << name;
    }
    EXPECT_TRUE(m_titles.empty());
}

TEST_F(CopyEngine, UnderscoreNamesBecomeLongNamesWhileTheFieldShowsTheNameAsFound) {
    m_options.longNames = true;
    m_dest = m_root + "\\Installed\\A rather long installation folder\\for the progress field";
    MakeFolders(m_dest);
    Source("MY_DOCS\\READ_ME.TXT", "read me");
    Copy();
    EXPECT_EQ(Installed("My Docs\\Read Me.txt"), "read me");
    EXPECT_EQ(Field(1007), "READ_ME.TXT");
    std::string full = m_dest + "\\My Docs\\Read Me.txt";
    EXPECT_EQ(Field(1009), ShortenPathToFit(m_progress, kFieldWidth, full));
    EXPECT_NE(Field(1009), full) << "the path is long enough to be shortened";
}

TEST_F(CopyEngine, ExpandsCompressedFilesAndCopiesOthersUnchanged) {
    m_options.compressed = true;
    SourceFromFixture("CHAPTER.TXT", "CHAPTER.TXT_");
    SourceFromFixture("DATA\\RANDOM.BIN", "RANDOM.BIN_");
    SourceFromFixture("EMPTY.TXT", "EMPTY.TXT_");
    SourceFromFixture("SMALL.TXT", "SMALL.TXT_");
    SourceFromFixture("PLAIN.TXT", "SMALL.TXT");
    Copy();
    for (const char* name : {"CHAPTER.TXT", "DATA\\RANDOM.BIN", "EMPTY.TXT", "SMALL.TXT"}) {
        std::string file = std::string(name).substr(std::string(name).find_last_of('\\') + 1);
        EXPECT_EQ(Installed(name), FileContent(kFixtures + "\\" + file)) << name;
    }
    EXPECT_EQ(Installed("PLAIN.TXT"), kSmall);
    EXPECT_FALSE(Outcome().expandFailed);
    EXPECT_EQ(ListingOrder(m_dest).size(), 5u) << "no temporary file is left behind";
}

// A file that is not compressed on a compressed medium (the publisher's pack
// leaves one that would not shrink) is copied as a plain file, whatever its
// size, not through the LZ library that counts in a LONG: it arrives with its
// time stamp as on the medium, as a plain copy keeps it, and normal.
TEST_F(CopyEngine, AFileNotCompressedOnACompressedMediumIsCopiedPlainly) {
    m_options.compressed = true;
    Source("VIDEO.AVI", kSmall, FILE_ATTRIBUTE_READONLY);
    const FILETIME pressed = {0x5E2A0000, 0x01C07000};  // December 2000
    HANDLE source = CreateFileA((m_source + "\\VIDEO.AVI").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(source, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(source, nullptr, nullptr, &pressed));
    CloseHandle(source);
    Copy();
    EXPECT_EQ(Installed("VIDEO.AVI"), kSmall);
    WIN32_FILE_ATTRIBUTE_DATA installed = {};
    ASSERT_TRUE(GetFileAttributesExA((m_dest + "\\VIDEO.AVI").c_str(), GetFileExInfoStandard, &installed));
    EXPECT_EQ(installed.ftLastWriteTime.dwHighDateTime, pressed.dwHighDateTime);
    EXPECT_EQ(installed.ftLastWriteTime.dwLowDateTime, pressed.dwLowDateTime);
    EXPECT_FALSE(installed.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(Outcome().expandFailed);
}

// The bar moves within one large file: part-way through its expansion, and
// through its plain copy, the bytes done stand between none and all of the
// file, and the record's entry comes from the bytes written.
TEST_F(CopyEngine, TheBarMovesWithinOneLargeFile) {
    std::string plain(3500000, '\0');
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 131 % 251);
    const struct {
        bool compressed;
        std::string source, installed;
    } cases[] = {
        {true, FileContent(kFixtures + "\\LARGE.BIN_"), FileContent(kFixtures + "\\LARGE.BIN")},
        {false, plain, plain},
    };
    for (const auto& c : cases) {
        m_options.compressed = c.compressed;
        RemoveTree(m_dest);
        MakeFolders(m_dest);
        Source("LARGE.BIN", c.source);
        const uint64_t size = c.source.size();
        std::vector<uint64_t> partWay;
        m_onRead = [&] {
            CopiedBytes bytes = m_report.Bytes();
            EXPECT_EQ(bytes.total, size);
            if (bytes.done > 0 && bytes.done < size) partWay.push_back(bytes.done);
        };
        Copy();
        EXPECT_GE(partWay.size(), 2u) << "the bar stood still through " << size << " bytes";
        EXPECT_EQ(m_report.Bytes().done, size);
        EXPECT_EQ(Installed("LARGE.BIN"), c.installed);
        ASSERT_EQ(Outcome().writtenEntries.size(), 1u);
        EXPECT_EQ(Outcome().writtenEntries[0].hash, HashBytes(c.installed.data(), c.installed.size()));
        EXPECT_EQ(Outcome().writtenEntries[0].size, c.installed.size());
    }
}

// Failed expansions are noted (expandFailed), go on with the next file and never
// cost the user the file that is already at the destination. Each names the
// room it needed: the size its header declares, or its size on the medium
// when that is larger (a tiny file) or the file cannot be read.

TEST_F(CopyEngine, ExpandsIntoPathsLongerThanTheOpenFileStructureHolds) {
    m_options.compressed = true;
    m_dest = m_root + "\\Installed\\A Destination Folder With A Long Name For The Book";
    MakeFolders(m_dest);
    std::string deep = "Chapter One Listings\\Second Level Folder";
    SourceFromFixture(deep + "\\CHAPTER.TXT", "CHAPTER.TXT_");
    ASSERT_GT(m_dest.size() + deep.size(), 128u + 20);
    ASSERT_GT(m_source.size() + deep.size(), 128u);
    Copy();
    EXPECT_FALSE(Outcome().expandFailed);
    EXPECT_EQ(Installed(deep + "\\CHAPTER.TXT"), FileContent(kFixtures + "\\CHAPTER.TXT"));
}

// A destination path of 259 characters is copied and expanded, also over an
// existing file (whose temporary name must fit as well); one of 260 is
// skipped and counts as a failed file of its kind.
TEST_F(CopyEngine, DestinationPathsOf259CharactersCopyAnd260AreSkipped) {
    // A folder of 255 characters: "\\A.B" makes 259. Made through the wide
    // call, as the ANSI folder creation stops short of it.
    std::string base = m_root + "\\Installed\\";
    ASSERT_LT(base.size(), 200u) << "the build tree is too deep for this test";
    m_dest = base + std::string(255 - base.size(), 'd');
    std::wstring wide = L"\\\\?\\" + std::wstring(m_dest.begin(), m_dest.end());
    ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr)) << GetLastError();
    ASSERT_EQ((m_dest + "\\A.B").size(), 259u);
    Source("A.B", "fits");
    for (bool compressed : {false, true}) {
        m_options.compressed = compressed;
        WriteWholeFile(m_dest + "\\A.B", "old");
        Copy({IDOK});
        EXPECT_EQ(Installed("A.B"), "fits") << (compressed ? "expanded" : "copied");
        EXPECT_FALSE(Outcome().expandFailed);
        EXPECT_FALSE(Outcome().copyFailed);
        EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"A.B"}) << "no temporary file is left behind";
    }
    Source("AB.C", "one too long");
    for (bool compressed : {false, true}) {
        m_options.compressed = compressed;
        Copy({IDOK});
        EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"A.B"});
        EXPECT_EQ(Outcome().expandFailed, compressed);
        EXPECT_EQ(Outcome().copyFailed, !compressed);
    }
    RemoveTree(m_dest);
}

// A folder whose path would pass the bound is skipped; when it holds files
// (at any depth) they count as failed, an empty one is nothing lost.
TEST_F(CopyEngine, AFolderPastTheBoundCountsAsFailedFilesWhenItHoldsAny) {
    m_dest = m_root + "\\Installed\\" + std::string(120, 'd');
    MakeFolders(m_dest);
    std::string folder = std::string(259 - m_dest.size(), 'f');
    ASSERT_EQ((m_dest + "\\" + folder).size(), 260u);
    MakeFolders(m_source + "\\" + folder + "\\EMPTY");
    Source("SHORT.TXT", "fits");
    for (bool holdsFile : {false, true}) {
        if (holdsFile) Source(folder + "\\EMPTY\\DEEP.TXT", "too long");
        for (bool compressed : {false, true}) {
            m_options.compressed = compressed;
            RemoveTree(m_dest);
            MakeFolders(m_dest);
            Copy();
            EXPECT_EQ(m_report.Bytes().total, 4u) << "only what fits is read";
            EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"SHORT.TXT"});
            EXPECT_EQ(Outcome().expandFailed, holdsFile && compressed) << holdsFile;
            EXPECT_EQ(Outcome().copyFailed, holdsFile && !compressed) << holdsFile;
        }
    }
}

// A drive root as destination (C:\\ of the test prefix; the tree is one
// folder of a name of its own, removed again): no path the copy builds, nor
// the progress field, shows the backslash twice.
TEST_F(CopyEngine, ADriveRootDestinationJoinsWithOneBackslash) {
    const std::string folder = "CopyEngine Root Test";
    RemoveTree("C:\\" + folder);
    Source(folder + "\\A.TXT", "a");
    m_dest = "C:\\";
    Copy();
    EXPECT_EQ(FileContent("C:\\" + folder + "\\A.TXT"), "a");
    EXPECT_EQ(Field(1009), "C:\\" + folder + "\\A.TXT");
    RemoveTree("C:\\" + folder);
}

// A destination inside the medium's own tree (a medium on a hard disk) is
// not copied into itself.
TEST_F(CopyEngine, TheDestinationInsideTheSourceIsNotWalked) {
    Source("A.TXT", "a");
    Source("SUB\\B.TXT", "b");
    m_dest = m_source + "\\sub\\Book";  // the case the file system ignores
    MakeFolders(m_dest);
    Source("sub\\Book\\OLD.TXT", "installed before");
    Copy();
    EXPECT_EQ(m_report.Bytes().total, 2u) << "the destination is not listed";
    EXPECT_EQ(Installed("A.TXT"), "a");
    EXPECT_EQ(Installed("SUB\\B.TXT"), "b");
    EXPECT_FALSE(FileExists(m_dest + "\\SUB\\Book")) << "the destination was copied into itself";
}

// A folder of the medium that cannot be entered is a failed copy whatever
// the medium's kind, gets no empty copy at the destination, and the rest of
// the tree is copied.
TEST_F(CopyEngine, AFolderThatCannotBeEnteredIsAFailedCopy) {
    // A folder named with a trailing dot (made on another system) is listed,
    // but the name loses its dot when the system opens it, so it cannot be entered.
    std::wstring odd = L"\\\\?\\" + std::wstring(m_source.begin(), m_source.end()) + L"\\ODD.";
    ASSERT_TRUE(CreateDirectoryW(odd.c_str(), nullptr));
    Source("TOP.TXT", "top");
    for (bool compressed : {false, true}) {
        m_options.compressed = compressed;
        RemoveTree(m_dest);
        MakeFolders(m_dest);
        Copy();
        EXPECT_EQ(Installed("TOP.TXT"), compressed ? FileContent(m_source + "\\TOP.TXT") : "top");
        EXPECT_TRUE(Outcome().copyFailed) << compressed;
        EXPECT_FALSE(Outcome().expandFailed) << compressed;
        EXPECT_EQ(ListingOrder(m_dest), std::vector<std::string>{"TOP.TXT"}) << compressed;
        EXPECT_EQ(m_report.Bytes().total, 3u) << "the bar counts what could be listed";
    }
    RemoveDirectoryW(odd.c_str());
}

// Each answer of the replace question, for an existing file among others
// copied before and after it. While the question is open the progress fields
// show that file, however fast the others went by. Abandoned, the run leaves
// the destination as it found it.
}  // namespace
