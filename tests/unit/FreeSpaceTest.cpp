#include "dialogs/FreeSpace.h"

#include <gtest/gtest.h>

namespace {
TEST(FreeSpace, DriveRootIsFirstCharacterColonBackslash) {
    EXPECT_EQ(DriveRootOf("D:\\Books\\Zandel"), "D:\\");
    EXPECT_EQ(DriveRootOf("c:"), "c:\\");
    EXPECT_EQ(DriveRootOf("\\\\server\\share"), "\\:\\");
    EXPECT_EQ(DriveRootOf(""), "C:\\");
}

// Cluster counts times cluster sizes overflow 32 bits on any modern drive.
TEST(FreeSpace, FreeBytesAreComputedIn64Bits) {
    EXPECT_EQ(FreeBytesOf(8, 512, 0xFFFFFFFFu), 0xFFFFFFFFull * 4096);
    EXPECT_EQ(FreeBytesOf(64, 4096, 1000000), 262144000000ull);
    EXPECT_EQ(FreeBytesOf(1, 512, 0), 0u);
}

TEST(FreeSpace, NeededBytesFollowTheFileSizeText) {
    struct Case {
        const char* text;
        uint64_t expected;
    };
    const Case cases[] = {
        {"250000", 250000},
        {"  +60000", 60000},
        {"12k", 12},
        {"", 0},
        {"none", 0},
        {"0", 0},
        {"-1", 0xFFFFFFFFull},         // a minus sign asks for nearly 4 GB
        {"4294967296", 0},             // wraps like the 32-bit conversion
        {"2147483648", 0x80000000ull},
    };
    for (const Case& c : cases) EXPECT_EQ(NeededBytesOf(c.text), c.expected) << "'" << c.text << "'";
}

TEST(FreeSpace, MissingDriveOrEmptyPathHasNoRoom) {
    // No drive letter "[" exists: the query fails, and not even a need of 0
    // passes. An empty path is not drive C:.
    for (const char* path : {"[:\\x", ""}) {
        uint64_t freeBytes = 1;
        EXPECT_FALSE(QueryFreeBytes(path, freeBytes)) << "'" << path << "'";
        EXPECT_EQ(freeBytes, 0u);
        EXPECT_FALSE(HasRoomFor(path, "1")) << "'" << path << "'";
        EXPECT_FALSE(HasRoomFor(path, "0")) << "'" << path << "'";
    }
}

TEST(FreeSpace, RealDriveComparesWithItsFreeBytes) {
    uint64_t freeBytes = 0;
    ASSERT_TRUE(QueryFreeBytes("C:\\", freeBytes));
    ASSERT_GT(freeBytes, 0u);
    EXPECT_TRUE(HasRoomFor("C:\\Zandel", "250000"));
    if (freeBytes < 0x7FFFFFFF) {
        EXPECT_TRUE(HasRoomFor("C:\\", std::to_string(freeBytes)));
        EXPECT_FALSE(HasRoomFor("C:\\", std::to_string(freeBytes + 1)));
    }
}
}  // namespace
