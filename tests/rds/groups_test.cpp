// The group builders by value, worked out by hand from IEC 62106, and the one image writer.

#include <gtest/gtest.h>

#include "BlockCoder.h"
#include "Groups.h"
#include "ImageWriter.h"
#include "RdsTestDecoder.h"

namespace {

StationData Station(uint16_t pi, uint8_t pty = 0, uint8_t tp = 0) {
    StationData d;
    d.SetPi(pi);
    d.SetPty(pty);
    d.SetTp(tp);
    return d;
}

}  // namespace

TEST(Groups, PsRadioTextProgrammeItemAndClockPageWordsByHand) {
    StationData d = Station(0x1234);
    // Block 2 of 0A: group 0000, version 0, TP, PTY(5), TA, MS, DI bit 3 - s, segment(2); AF filler 205 = 0xCD.
    EXPECT_EQ(PsGroup(d, 0, 'A', 'B'), (Blocks{0x1234, 0x0000, 0xCDCD, 0x4142}));
    d.SetTp(1), d.SetTa(1), d.SetMs(1), d.SetPty(31), d.SetDi(0xA), d.SetAf(2, 0x10), d.SetAf(3, 0x20);
    EXPECT_EQ(PsGroup(d, 0, 'x', 'y'), (Blocks{0x1234, 0x07FC, 0xCDCD, 0x7879}));
    EXPECT_EQ(PsGroup(d, 1, 'x', 'y'), (Blocks{0x1234, 0x07F9, 0x1020, 0x7879}));
    EXPECT_EQ(PsGroup(d, 2, 'x', 'y'), (Blocks{0x1234, 0x07FE, 0xCDCD, 0x7879}));
    EXPECT_EQ(PsGroup(d, 3, 'x', 'y'), (Blocks{0x1234, 0x07FB, 0xCDCD, 0x7879}));

    // 2A: 0010 0, TP 1, PTY 10, A/B, segment(4); 0xE7 (CP1252 c cedilla) is RDS 0x9B.
    const StationData s = Station(0xC201, 10, 1);
    EXPECT_EQ(RadioTextGroup(s, 1, 15, "ABCD"), (Blocks{0xC201, 0x255F, 0x4142, 0x4344}));
    EXPECT_EQ(RadioTextGroup(s, 0, 2,
                             "\xE7"
                             "a o"),
              (Blocks{0xC201, 0x2542, 0x9B61, 0x206F}));

    // 1A: day 15, 21:30 -> 15 * 2048 + 21 * 64 + 30 = 32094 = 0x7D5E; block 3 repeats the PI here.
    StationData p = Station(0xC201, 10, 1);
    p.SetProgrammeItem(0x15, 0x2130);
    EXPECT_EQ(ProgrammeItemGroup(p), (Blocks{0xC201, 0x1540, 0xC201, 0x7D5E}));

    // The clock page "  13:34 " in local time.
    const ClockReading at = CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60);
    EXPECT_EQ(ClockPsGroups(Station(0x1234), at),
              (ClockPsPage{Blocks{0x1234, 0x0000, 0xCDCD, 0x2020}, Blocks{0x1234, 0x0001, 0xCDCD, 0x3133},
                           Blocks{0x1234, 0x0002, 0xCDCD, 0x3A33}, Blocks{0x1234, 0x0003, 0xCDCD, 0x3420}}));
}

// 4A: block 2 carries MJD bits 16..15, block 3 MJD bits 14..0 then UTC hour bit 4, block 4 hour
// bits 3..0, minute(6), offset sign and half hours(5).
TEST(Groups, ClockTimeInWinterAndOnBothSummerTimeSundays) {
    const StationData d = Station(0x1234);
    // 2026-12-06 13:34 CET is 12:34 UTC; MJD 61380 = 0xEFC4 (2026-01-01 is 61041, + 339 days).
    EXPECT_EQ(ClockTimeGroup(d, CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60)),
              (Blocks{0x1234, 0x4001, 0xDF88, 0xC882}));
    // 2026-03-29 03:30 CEST is 01:30 UTC the same day: MJD 61041 + 31 + 28 + 28 = 61128 = 0xEEC8;
    // block 3 = 0x6EC8 << 1 | 0, block 4 = 1 << 12 | 30 << 6 | +4 half hours.
    const ClockReading march = CFixedClock::FromLocal(2026, 3, 29, 3, 30, 0, 120, true);
    EXPECT_EQ(std::vector<int>({march.utcYear, march.utcMonth, march.utcDay, march.utcHour}),
              std::vector<int>({2026, 3, 29, 1}));
    EXPECT_EQ(ClockTimeGroup(d, march), (Blocks{0x1234, 0x4001, 0xDD90, 0x1784}));
    // 2026-10-25 02:30 CEST, before the clocks go back, is 00:30 UTC: MJD 61128 + 210 = 61338 = 0xEF9A.
    const ClockReading october = CFixedClock::FromLocal(2026, 10, 25, 2, 30, 0, 120, true);
    EXPECT_EQ(ClockTimeGroup(d, october), (Blocks{0x1234, 0x4001, 0xDF34, 0x0784}));
    // West of UTC the sign bit is set: 2025-12-31 23:30 at UTC-5 is 04:30 UTC on 2026-01-01 (61041).
    EXPECT_EQ(ClockTimeGroup(d, CFixedClock::FromLocal(2025, 12, 31, 23, 30, 0, -300)),
              (Blocks{0x1234, 0x4001, 0xDCE2, 0x47AA}));
    // And a receiver reads them back as that date and hour.
    CImageWriter w;
    ASSERT_TRUE(w.WriteGroup(ClockTimeGroup(d, march)) && w.WriteGroup(ClockTimeGroup(d, october)));
    rdstest::CTestReceiver rx;
    rx.FeedAll(rdstest::DecodeImage(w.Image().data(), 2 * RECORD_BYTES));
    ASSERT_EQ(rx.clockTimes.size(), 2u);
    const auto& m = rx.clockTimes[0];
    const auto& o = rx.clockTimes[1];
    EXPECT_EQ(std::vector<int>({m.mjd, m.year, m.month, m.day, m.hour, m.minute, m.offsetHalfHours}),
              std::vector<int>({61128, 2026, 3, 29, 1, 30, 4}));
    EXPECT_EQ(std::vector<int>({o.mjd, o.year, o.month, o.day, o.hour, o.minute, o.offsetHalfHours}),
              std::vector<int>({61338, 2026, 10, 25, 0, 30, 4}));
}

TEST(ImageWriter, PacksWorkedRecordsAndKeepsTheCapacityRuleBitByBit) {
    const std::array<uint16_t, 16> rows = {0x077, 0x2E7, 0x3AF, 0x30B, 0x359, 0x370, 0x1B8, 0x0DC,
                                           0x06E, 0x037, 0x2C7, 0x3BF, 0x303, 0x35D, 0x372, 0x1B9};
    EXPECT_EQ(CheckwordRows(), rows);  // x^25 .. x^10 mod g(x), by long division on paper
    EXPECT_EQ(OffsetWords(), (std::array<uint16_t, 8>{0x0FC, 0x198, 0x168, 0x350, 0x1B4, 0x000, 0x194, 0x000}));

    CImageWriter w;
    const StationData d = Station(0x1234);
    ASSERT_TRUE(w.WriteGroup(PsGroup(d, 0, 'A', 'B')));
    ASSERT_TRUE(w.WriteGroup(ClockTimeGroup(d, CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60))));
    std::vector<uint8_t> worked = {0x12, 0x34, 0x1A, 0x80, 0x00, 0x19, 0x8C, 0xDC, 0xDA, 0xCD, 0x05, 0x08, 0xCA,
                                   0x12, 0x34, 0x1A, 0x90, 0x00, 0x6C, 0x6D, 0xF8, 0x8B, 0x4F, 0x22, 0x0B, 0x61};
    EXPECT_EQ(std::vector<uint8_t>(w.Image().begin(), w.Image().begin() + 26), worked);
    EXPECT_EQ(w.Position().offset, 26);
    EXPECT_EQ(w.Position().mask, 0x80);
    std::vector<uint8_t> flipped = worked;
    flipped[6] ^= 0x10;  // one bit of block 3 flipped: the test receiver must notice
    EXPECT_FALSE(rdstest::DecodeRecord(flipped.data()).valid);

    // 10 bytes from the end: the group's first 80 bits stay, the position stops at the end, and
    // the next group writes nothing.
    w.MoveTo({IMAGE_CAPACITY - 10, 0x80});
    EXPECT_FALSE(w.WriteGroup(PsGroup(d, 0, 'A', 'B')));
    EXPECT_EQ(std::vector<uint8_t>(w.Image().end() - 10, w.Image().end()),
              std::vector<uint8_t>(worked.begin(), worked.begin() + 10));
    EXPECT_EQ(w.Position().offset, IMAGE_CAPACITY);
    EXPECT_FALSE(w.WriteGroup(PsGroup(d, 1, 'C', 'D')));
    EXPECT_EQ(w.Position().offset, IMAGE_CAPACITY);
    // A group that ends on the last byte fits whole.
    w.MoveTo({IMAGE_CAPACITY - RECORD_BYTES, 0x80});
    EXPECT_TRUE(w.WriteGroup(PsGroup(d, 0, 'A', 'B')));
    EXPECT_EQ(w.Position().offset, IMAGE_CAPACITY);
}
