#include "engine/FileFacts.h"

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {
TEST(FormatFileSize, BytesKilobytesAndMegabytesWithTwoDecimals) {
    const struct {
        int32_t size;
        const char* expected;
    } cases[] = {
        {0, "0 bytes"},          {1, "1 bytes"},           {1023, "1023 bytes"},    {1024, "1.00 KB"},
        {1536, "1.50 KB"},       {1000000, "976.56 KB"},   {1048575, "1024.00 KB"}, {1048576, "1.00 MB"},
        {5000000, "4.77 MB"},    {1073741824, "1024.00 MB"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFileSize(c.size), c.expected) << "size " << c.size;
}

TEST(FormatTwoDecimals, RoundsHalvesUpWithAPointWhateverTheLocale) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {1.0, "1.00"}, {12.5, "12.50"}, {1.234, "1.23"}, {1.2351, "1.24"}, {999.999, "1000.00"},
        // Below 1 the digits are padded instead of cut into.
        {0.5, "0.50"}, {0.0, "0.00"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatTwoDecimals(c.value), c.expected) << "value " << c.value;
}

TEST(FormatFileDate, EnglishWordingOnATwelveHourClock) {
    const struct {
        SYSTEMTIME time;  // year, month, day of week, day, hour, minute, second, ms
        const char* expected;
    } cases[] = {
        {{1996, 11, 4, 14, 19, 42, 3, 0}, "Thursday,  November 14, 1996,  7:42:03  PM"},
        {{1996, 1, 1, 1, 9, 5, 7, 0}, "Monday,  January 1, 1996,  9:05:07  AM"},
        {{2001, 2, 0, 4, 0, 5, 9, 0}, "Sunday,  February 4, 2001,  12:05:09  AM"},
        {{2001, 12, 6, 29, 12, 0, 0, 0}, "Saturday,  December 29, 2001,  12:00:00  PM"},
        {{2001, 6, 3, 13, 23, 59, 59, 0}, "Wednesday,  June 13, 2001,  11:59:59  PM"},
        {{2001, 6, 5, 1, 11, 10, 10, 0}, "Friday,  June 1, 2001,  11:10:10  AM"},
        // Values outside their range name Monday and January.
        {{2001, 13, 7, 1, 13, 0, 0, 0}, "Monday,  January 1, 2001,  1:00:00  PM"},
        {{2001, 0, 9, 1, 1, 0, 0, 0}, "Monday,  January 1, 2001,  1:00:00  AM"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFileDate(c.time), c.expected);
}

TEST(FormatFileTime, ShowsTheUtcTimeOnTheLocalClock) {
    // The tests run on a clock at least 11 hours from UTC: a time shown in
    // UTC is never the local one.
    const FILETIME fileTime = LocalClockFileTime(1996, 11, 14, 19, 42, 3);
    SYSTEMTIME sameFieldsInUtc = {1996, 11, 4, 14, 19, 42, 3, 0};
    FILETIME utc;
    ASSERT_TRUE(SystemTimeToFileTime(&sameFieldsInUtc, &utc));
    auto ticks = [](const FILETIME& time) { return static_cast<int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime; };
    const int64_t hoursApart = (ticks(fileTime) - ticks(utc)) / (3600 * 10000000ll);
    ASSERT_GE(hoursApart < 0 ? -hoursApart : hoursApart, 11) << "the test expects a clock far from UTC";
    EXPECT_EQ(FormatFileTime(fileTime), "Thursday,  November 14, 1996,  7:42:03  PM");
}
}  // namespace
