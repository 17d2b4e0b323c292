// Clock-time (4A) and programme-item (1A) groups, read back the way a receiver reads them.
// Dates and MJDs below were worked out from the calendar, not from the coder.

#include <gtest/gtest.h>

#include <vector>

#include "RdsModel.h"
#include "RdsTestDecoder.h"

namespace {

struct Coded {
    std::vector<uint8_t> record;
    rdstest::Group group;
};

// Codes one 4A group for the given local time at record 0.
Coded CodeClockTime(const ClockReading& reading, uint16_t pi = 0x1234) {
    CFixedClock clock(reading);
    CRdsModel model(clock);
    model.m_pi = pi;
    model.m_groupFlags = 0x01;
    model.EncodeClockTimeGroup();
    const uint8_t* p = model.GetImage();
    return {{p, p + RECORD_BYTES}, rdstest::DecodeRecord(p)};
}

rdstest::ClockTime Receive(const rdstest::Group& g) {
    rdstest::CTestReceiver rx;
    rx.Feed(g);
    EXPECT_EQ(rx.clockTimes.size(), 1u);
    return rx.clockTimes.empty() ? rdstest::ClockTime{} : rx.clockTimes.front();
}

TEST(ClockTimeGroup, WorkedRecordForNoonInAZoneOneHourEast) {
    // 13:34 local at UTC+1 on 6 December 2026 is 12:34 UTC with offset +2 half hours.
    const Coded c = CodeClockTime(CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60));
    const std::vector<uint8_t> expected = {0x12, 0x34, 0x1A, 0x90, 0x00, 0x6C, 0x6D,
                                           0xF8, 0x8B, 0x4F, 0x22, 0x0B, 0x61};
    EXPECT_EQ(c.record, expected);
    ASSERT_TRUE(c.group.valid);
    EXPECT_EQ(c.group.blocks[1].info, 0x4001);
    EXPECT_EQ(c.group.blocks[2].info, 0xDF88);
    EXPECT_EQ(c.group.blocks[3].info, 0xC882);
}

struct ZoneCase {
    const char* what;
    int year, month, day, hour, minute, offsetMinutes;
    bool dst;
    // What the receiver must decode: UTC date and time, and the offset in half hours.
    int utcYear, utcMonth, utcDay, utcHour, utcMinute, halfHours, mjd;
};

TEST(ClockTimeGroup, DateTimeAndOffsetAreUtcAroundMidnightAndDaylightSaving) {
    const ZoneCase cases[] = {
        {"east, local new year still old year in UTC", 2026, 1, 1, 0, 30, 60, false,
         2025, 12, 31, 23, 30, 2, 61040},
        {"west, local new year's eve already new year in UTC", 2025, 12, 31, 23, 30, -300,
         false, 2026, 1, 1, 4, 30, -10, 61041},
        {"west with daylight saving crosses midnight", 2026, 1, 15, 22, 0, -120, true,
         2026, 1, 16, 0, 0, -4, 61056},
        {"spring forward, last standard minute", 2026, 3, 29, 0, 59, 0, false,
         2026, 3, 29, 0, 59, 0, 61128},
        {"spring forward, first summer minute", 2026, 3, 29, 2, 0, 60, true,
         2026, 3, 29, 1, 0, 2, 61128},
        {"fall back, first 01:30 (summer)", 2026, 10, 25, 1, 30, 60, true,
         2026, 10, 25, 0, 30, 2, 61338},
        {"fall back, second 01:30 (standard)", 2026, 10, 25, 1, 30, 0, false,
         2026, 10, 25, 1, 30, 0, 61338},
        {"half-hour zone east", 2026, 12, 6, 5, 0, 330, false, 2026, 12, 5, 23, 30, 11, 61379},
    };
    for (const ZoneCase& z : cases) {
        SCOPED_TRACE(z.what);
        const Coded c = CodeClockTime(CFixedClock::FromLocal(z.year, z.month, z.day, z.hour,
                                                             z.minute, 0, z.offsetMinutes, z.dst));
        ASSERT_TRUE(c.group.valid);
        const rdstest::ClockTime ct = Receive(c.group);
        EXPECT_EQ(ct.mjd, z.mjd);
        EXPECT_EQ(ct.year, z.utcYear);
        EXPECT_EQ(ct.month, z.utcMonth);
        EXPECT_EQ(ct.day, z.utcDay);
        EXPECT_EQ(ct.hour, z.utcHour);
        EXPECT_EQ(ct.minute, z.utcMinute);
        EXPECT_EQ(ct.offsetHalfHours, z.halfHours);
        // The receiver's local time is UTC plus the offset: the station's wall clock.
        const int shown = (ct.hour * 60 + ct.minute + ct.offsetHalfHours * 30 + 1440) % 1440;
        EXPECT_EQ(shown, z.hour * 60 + z.minute);
    }
}

TEST(ClockTimeGroup, ModifiedJulianDayAcrossLeapDayAnd2038) {
    const struct { int year, month, day, mjd; uint16_t block2Low; } cases[] = {
        {2003, 1, 1, 52640, 1},
        {2024, 2, 28, 60368, 1},
        {2024, 2, 29, 60369, 1},
        {2024, 3, 1, 60370, 1},
        {2026, 12, 6, 61380, 1},
        {2038, 4, 22, 65535, 1},
        {2038, 4, 23, 65536, 2},  // bit 16 of the MJD moves into block 2
        {2038, 4, 24, 65537, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
        const Coded coded = CodeClockTime(CFixedClock::FromLocal(c.year, c.month, c.day, 12, 0, 0, 0));
        ASSERT_TRUE(coded.group.valid);
        EXPECT_EQ(coded.group.blocks[1].info & 0x3, c.block2Low);
        const rdstest::ClockTime ct = Receive(coded.group);
        EXPECT_EQ(ct.mjd, c.mjd);
        EXPECT_EQ(ct.year, c.year);
        EXPECT_EQ(ct.month, c.month);
        EXPECT_EQ(ct.day, c.day);
    }
}

TEST(ClockTimeGroup, CarriesTrafficAndProgrammeTypeInBlock2) {
    CFixedClock clock(CFixedClock::FromLocal(2024, 2, 29, 23, 59, 0, 0));
    CRdsModel model(clock);
    model.m_pi = 0xC201;
    model.m_tp = 1;
    model.m_pty = 10;
    model.m_groupFlags = 0x01;
    model.EncodeClockTimeGroup();
    const rdstest::Group g = rdstest::DecodeRecord(model.GetImage());
    ASSERT_TRUE(g.valid);
    EXPECT_EQ(g.Pi(), 0xC201);
    EXPECT_EQ(g.Type(), 4);
    EXPECT_EQ(g.Tp(), 1);
    EXPECT_EQ(g.Pty(), 10);
    EXPECT_EQ(g.blocks[1].info, 0x4000 | 1 << 10 | 10 << 5 | 1);  // 60369 >> 15 == 1
    EXPECT_EQ(g.blocks[3].info >> 12, 23 & 0xF);
    EXPECT_EQ(g.blocks[2].info & 1, 1) << "hour 23 has bit 4 set";
}

TEST(ProgrammeItemGroup, ItemNumberFromBcdDayHourMinute) {
    const struct { uint8_t day; uint16_t hourMinute; uint16_t number; } cases[] = {
        {0x15, 0x2130, 32094},  // 15 * 2048 + 21 * 64 + 30
        {0x01, 0x0000, 2048},
        {0x31, 0x2359, 65019},  // 31 * 2048 + 23 * 64 + 59, the largest valid number
    };
    for (const auto& c : cases) {
        CFixedClock clock;
        CRdsModel model(clock);
        model.m_pi = 0xC201;
        model.m_pty = 3;
        model.m_pinDay = c.day;
        model.m_pinHourMinute = c.hourMinute;
        model.m_groupFlags = 0x04;
        model.EncodeProgrammeItemGroup();
        const rdstest::Group g = rdstest::DecodeRecord(model.GetImage());
        ASSERT_TRUE(g.valid);
        EXPECT_EQ(g.blocks[1].info, 0x1000 | 3 << 5);
        EXPECT_EQ(g.blocks[2].info, 0xC201) << "block 3 repeats the PI";
        EXPECT_EQ(g.blocks[3].info, c.number);
        rdstest::CTestReceiver rx;
        rx.Feed(g);
        ASSERT_EQ(rx.programmeItems.size(), 1u);
        EXPECT_EQ(rx.programmeItems[0].day, BcdToInt(c.day));
    }
}

}  // namespace
