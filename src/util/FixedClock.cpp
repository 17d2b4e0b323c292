#include "IClock.h"
#include "RdsTypes.h"

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (valid for any year).
int DaysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int z, int& y, int& m, int& d) {
    z += 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

int FloorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

}  // namespace

ClockReading CFixedClock::FromLocal(int year, int month, int day, int hour, int minute, int second,
                                    int utcOffsetMinutes, bool dst) {
    ClockReading r;
    r.hour = IntToBcd(hour);
    r.minute = IntToBcd(minute);
    r.second = IntToBcd(second);
    r.dst = dst ? 1 : 0;
    r.century = IntToBcd(year / 100);
    r.year = IntToBcd(year % 100);
    r.month = IntToBcd(month);
    r.day = IntToBcd(day);

    const int localMinutes = DaysFromCivil(year, month, day) * 1440 + hour * 60 + minute;
    const int utcMinutes = localMinutes - utcOffsetMinutes;
    const int utcDays = FloorDiv(utcMinutes, 1440);
    const int minuteOfDay = utcMinutes - utcDays * 1440;
    CivilFromDays(utcDays, r.utcYear, r.utcMonth, r.utcDay);
    r.utcHour = minuteOfDay / 60;
    r.utcMinute = minuteOfDay % 60;
    r.utcOffsetMinutes = utcOffsetMinutes;
    return r;
}
