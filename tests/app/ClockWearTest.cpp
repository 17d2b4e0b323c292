// How the clock group wears the EEPROM of a station left alone: the minute refresh may
// rewrite its bytes once a minute and nothing more, and never touch the count word.

#include "ServerFixture.h"

TEST_F(ServerFixture, AnIdleStationWithTheClockGroupWritesItsBusiestByteOnceAMinute) {
    StartWithFiles(QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n",
                   "PI=C201\nPSN=\"RADIO XX\"\nTXT0=\"Bom dia\"\nGROUP4A=01\n");
    Ticks(CRdsServerDlg::SYNC_TICKS);  // the first read and the first sync
    ASSERT_EQ(CountLog(READ_LINE), 1);
    const CSimEeprom& chip = sim->Chip();
    std::vector<uint32_t> before(CSimEeprom::SIZE);
    for (int a = 0; a < CSimEeprom::SIZE; ++a) before[a] = chip.CellWrites(a);

    // An hour: four syncs a minute, the clock moving on a minute every fourth.
    constexpr int kMinutes = 60;
    for (int m = 0; m < kMinutes; ++m) {
        clock.Set(CFixedClock::FromLocal(2024, 5, 17, 15 + (31 + m) / 60, (31 + m) % 60, 0, 60));
        Ticks(4 * CRdsServerDlg::SYNC_TICKS);
    }
    uint32_t busiest = 0;
    for (int a = 0; a < CSimEeprom::SIZE; ++a) busiest = std::max(busiest, chip.CellWrites(a) - before[a]);
    // The minute's low bit changes every minute, so some byte is rewritten every minute.
    EXPECT_EQ(busiest, static_cast<uint32_t>(kMinutes));
    EXPECT_EQ(chip.CellWrites(0) - before[0], 0u);
    EXPECT_EQ(chip.CellWrites(1) - before[1], 0u);
}
