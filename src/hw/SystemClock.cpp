// Local time and UTC from the C library's time-zone handling.

#include "SystemClock.h"

#include "RdsTypes.h"

ClockReading ClockReadingAt(std::time_t t) {
    std::tm local{};
    std::tm utc{};
    localtime_r(&t, &local);
    gmtime_r(&t, &utc);
    ClockReading r;
    int year = local.tm_year + 1900;
    r.hour = IntToBcd(local.tm_hour);
    r.minute = IntToBcd(local.tm_min);
    r.second = IntToBcd(local.tm_sec > 59 ? 59 : local.tm_sec);  // a leap second shows as :59
    r.dst = local.tm_isdst > 0 ? 1 : 0;                          // unknown counts as standard time
    r.century = IntToBcd(year / 100);
    r.year = IntToBcd(year % 100);
    r.month = IntToBcd(local.tm_mon + 1);
    r.day = IntToBcd(local.tm_mday);
    r.utcYear = utc.tm_year + 1900;
    r.utcMonth = utc.tm_mon + 1;
    r.utcDay = utc.tm_mday;
    r.utcHour = utc.tm_hour;
    r.utcMinute = utc.tm_min;
    r.utcOffsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
    return r;
}

ClockReading CSystemClock::Read() { return ClockReadingAt(std::time(nullptr)); }

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : DAYS[m - 1];
}

}  // namespace

bool ClockReadingForLocalTime(const std::string& text, ClockReading& reading, std::string& error) {
    // Exactly "YYYY-MM-DD HH:MM": digits where digits go, nothing before or after.
    static constexpr char SHAPE[] = "0000-00-00 00:00";
    bool shaped = text.size() == sizeof(SHAPE) - 1;
    for (size_t i = 0; shaped && i < text.size(); ++i) {
        shaped = SHAPE[i] == '0' ? (text[i] >= '0' && text[i] <= '9') : text[i] == SHAPE[i];
    }
    if (!shaped) {
        error = "expected \"YYYY-MM-DD HH:MM\", got \"" + text + "\"";
        return false;
    }
    auto number = [&text](size_t at, size_t digits) { return std::stoi(text.substr(at, digits)); };
    int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    int hour = number(11, 2), minute = number(14, 2);
    // The clock fields hold two BCD digits of century and year, so 1900..2099 is the range.
    if (year < CLOCK_FIRST_YEAR || year > CLOCK_LAST_YEAR || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour > 23 || minute > 59) {
        error = "no such date or time: \"" + text + "\"";
        return false;
    }
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;  // let the zone decide
    std::time_t t = std::mktime(&local);
    // mktime moves a wall time skipped by a daylight-saving change to one that exists.
    if (t == static_cast<std::time_t>(-1) || local.tm_hour != hour || local.tm_min != minute || local.tm_mday != day) {
        error = "the local time \"" + text + "\" does not exist in this time zone";
        return false;
    }
    reading = ClockReadingAt(t);
    return true;
}
