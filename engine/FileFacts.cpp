#include "engine/FileFacts.h"

#include <climits>

std::string FormatFileSize(int32_t size) {
    if (size < 1024) return std::to_string(size) + " bytes";
    if (size < 1048576) return FormatTwoDecimals(size * (1.0 / 1024)) + " KB";
    return FormatTwoDecimals(size * (1.0 / 1048576)) + " MB";
}

std::string FormatTwoDecimals(double value) {
    double hundredths = value * 100 + 0.5;
    // The conversion to a 32-bit integer is only defined inside its range.
    if (hundredths >= static_cast<double>(INT_MAX)) hundredths = INT_MAX;
    if (hundredths < 0) hundredths = 0;
    std::string digits = std::to_string(static_cast<int32_t>(hundredths));
    // A value below 1 has fewer than three digits; give it its leading zeros
    // rather than cutting into nothing.
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return digits.substr(0, digits.size() - 2) + "." + digits.substr(digits.size() - 2);
}

namespace {
std::string TwoDigits(int value) {
    std::string digits = std::to_string(value);
    if (digits.size() < 2) digits.insert(digits.begin(), '0');
    return digits;
}
}  // namespace

std::string FormatFileDate(const SYSTEMTIME& time) {
    static const char* const days[] = {"Sunday,  ",   "Monday,  ", "Tuesday,  ", "Wednesday,  ",
                                       "Thursday,  ", "Friday,  ", "Saturday,  "};
    static const char* const months[] = {"January ", "February ", "March ",     "April ",   "May ",      "June ",
                                         "July ",    "August ",   "September ", "October ", "November ", "December "};
    std::string text = time.wDayOfWeek <= 6 ? days[time.wDayOfWeek] : "Monday,  ";
    text += time.wMonth >= 1 && time.wMonth <= 12 ? months[time.wMonth - 1] : "January ";
    text += std::to_string(time.wDay) + ", ";
    text += std::to_string(time.wYear) + ",  ";
    int hour = time.wHour;
    if (hour > 12) hour -= 12;
    if (hour == 0) hour = 12;
    text += std::to_string(hour) + ":";
    text += TwoDigits(time.wMinute) + ":";
    text += TwoDigits(time.wSecond) + "  ";
    text += time.wHour < 12 ? "AM" : "PM";
    return text;
}

std::string FormatFileTime(const FILETIME& utcTime) {
    FILETIME local = {};
    SYSTEMTIME system = {};
    FileTimeToLocalFileTime(&utcTime, &local);
    FileTimeToSystemTime(&local, &system);
    return FormatFileDate(system);
}
