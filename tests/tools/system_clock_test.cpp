// The system clock's readings in chosen time zones (set through TZ for this process).

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "SystemClock.h"

namespace {

class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (m_had) m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        if (m_had) setenv("TZ", m_old.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

constexpr char CENTRAL_EUROPE[] = "CET-1CEST,M3.5.0,M10.5.0/3";

// Local BCD fields, then UTC and the offset, as one row.
std::vector<int> Row(const ClockReading& r) {
    return {r.hour, r.minute, r.second, r.dst, r.century, r.year, r.month, r.day,
            r.utcYear, r.utcMonth, r.utcDay, r.utcHour, r.utcMinute, r.utcOffsetMinutes};
}

TEST(SystemClock, ReadingsCarryLocalBcdAndUtcOfTheSameInstant) {
    struct Case {
        const char* zone;
        std::time_t t;
        std::vector<int> expected;
    };
    const Case cases[] = {
        // 2026-12-06 12:34:56 UTC: 13:34:56 in winter, one hour east.
        {CENTRAL_EUROPE, 1796560496, {0x13, 0x34, 0x56, 0, 0x20, 0x26, 0x12, 0x06, 2026, 12, 6, 12, 34, 60}},
        // 2026-07-01 10:34:00 UTC: 12:34 in summer, daylight saving flagged.
        {CENTRAL_EUROPE, 1782902040, {0x12, 0x34, 0x00, 1, 0x20, 0x26, 0x07, 0x01, 2026, 7, 1, 10, 34, 120}},
        // 2026-12-07 01:30:00 UTC seen three hours west: still the evening before.
        {"<-03>3", 1796607000, {0x22, 0x30, 0x00, 0, 0x20, 0x26, 0x12, 0x06, 2026, 12, 7, 1, 30, -180}},
        // 1999-12-31 23:59:59 UTC: the century byte follows the year.
        {"UTC0", 946684799, {0x23, 0x59, 0x59, 0, 0x19, 0x99, 0x12, 0x31, 1999, 12, 31, 23, 59, 0}},
    };
    for (const auto& c : cases) {
        ZoneScope zone(c.zone);
        EXPECT_EQ(Row(ClockReadingAt(c.t)), c.expected) << c.zone << " " << c.t;
    }
}

TEST(SystemClock, LocalTimeTextIsReadInTheSystemZone) {
    ZoneScope zone(CENTRAL_EUROPE);
    struct Case {
        const char* text;
        bool ok;
        int utcDay, utcHour, offset;
    };
    const Case cases[] = {
        {"2026-12-06 13:34", true, 6, 12, 60},
        {"2026-12-06 00:30", true, 5, 23, 60},
        {"2026-03-29 01:59", true, 29, 0, 60},
        {"2026-03-29 03:00", true, 29, 1, 120},
        {"2026-03-29 02:30", false, 0, 0, 0},  // skipped when the clocks go forward
        {"2024-02-29 12:00", true, 29, 11, 60},
        {"2023-02-29 12:00", false, 0, 0, 0},
        {"2026-04-31 12:00", false, 0, 0, 0},
        {"2100-01-01 00:00", false, 0, 0, 0},
        {"2026-12-06 23:60", false, 0, 0, 0},
        {"2026-12-6 13:34", false, 0, 0, 0},
        {" 2026-12-06 13:34", false, 0, 0, 0},
        {"2026-12-06 13:34:00", false, 0, 0, 0},
        {"2026/12/06 13:34", false, 0, 0, 0},
        {"+026-12-06 13:34", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ClockReading r;
        std::string error;
        EXPECT_EQ(ClockReadingForLocalTime(c.text, r, error), c.ok) << c.text;
        EXPECT_EQ(error.empty(), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(r.second, 0) << c.text;
        EXPECT_EQ(r.utcDay, c.utcDay) << c.text;
        EXPECT_EQ(r.utcHour, c.utcHour) << c.text;
        EXPECT_EQ(r.utcOffsetMinutes, c.offset) << c.text;
    }
    ClockReading r;
    std::string error;
    ASSERT_TRUE(ClockReadingForLocalTime("2026-12-06 13:34", r, error));
    EXPECT_EQ(r.hour, 0x13);
    EXPECT_EQ(r.minute, 0x34);
    EXPECT_EQ(r.month, 0x12);
    EXPECT_EQ(r.day, 0x06);
}

}  // namespace
