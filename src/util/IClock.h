#pragma once
// The one source of date and time. A reading carries the wall clock the station sees
// (as the BCD fields of a PC real-time clock) and, for the same instant, UTC and the
// zone's offset, which the clock-time group needs to be right on every receiver.

#include <cstdint>

struct ClockReading {
    // Local wall clock, BCD (0x23 is twenty-three), as the RTC gives it.
    uint8_t hour = 0, minute = 0, second = 0;
    uint8_t dst = 0;  // daylight-saving flag, 0 or 1
    uint8_t century = 0x20, year = 0, month = 1, day = 1;

    // The same instant in UTC, plain numbers.
    int utcYear = 2000, utcMonth = 1, utcDay = 1, utcHour = 0, utcMinute = 0;
    // Local time minus UTC, in minutes (east of Greenwich positive), DST included.
    int utcOffsetMinutes = 0;
};

// The years a local time given by hand may name: the clock-time group's date formula
// (IEC 62106 Annex G) holds from 1900-03-01 to 2100-02-28.
inline constexpr int CLOCK_FIRST_YEAR = 1900;
inline constexpr int CLOCK_LAST_YEAR = 2099;

class IClock {
public:
    virtual ~IClock() = default;
    [[nodiscard]] virtual ClockReading Read() = 0;
};

// A clock that always gives the same reading: tests and the offline encoder.
class CFixedClock : public IClock {
public:
    CFixedClock() = default;
    explicit CFixedClock(const ClockReading& reading) : m_reading(reading) {}
    [[nodiscard]] ClockReading Read() override { return m_reading; }
    void Set(const ClockReading& reading) { m_reading = reading; }

    // Local time in a zone utcOffsetMinutes east of UTC; fills UTC and BCD fields.
    static ClockReading FromLocal(int year, int month, int day, int hour, int minute, int second, int utcOffsetMinutes,
                                  bool dst = false);

private:
    ClockReading m_reading;
};
