#pragma once
// The replace question's own English wording for sizes and dates. Window-free,
// so that it can be checked without a dialog.
#include <windows.h>

#include <cstdint>
#include <string>

// "1023 bytes", "1.50 KB", "1.00 MB": bytes below 1024, kilobytes below one
// megabyte, megabytes from there on. Compared as a signed 32-bit number.
std::string FormatFileSize(int32_t size);

// Two decimals after a ".", rounded to the nearest hundredth (halves up),
// whatever the user's locale: 1.5 gives "1.50".
std::string FormatTwoDecimals(double value);

// "Thursday,  November 14, 1996,  7:42:03  PM": a 12-hour clock, two spaces
// after the weekday's and the year's commas and before AM or PM.
std::string FormatFileDate(const SYSTEMTIME& time);

// The date text of a file time (UTC) as the user's clock shows it.
std::string FormatFileTime(const FILETIME& utcTime);
