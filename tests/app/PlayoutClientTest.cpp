// A playout system on the command port: its TEXT= line, answered with "+", reaches the chip
// at the next sync with RT+ tags that a receiver reads back as artist and title.

#include "ServerFixture.h"

TEST_F(ServerFixture, TextFromAPlayoutClientIsOnTheChipAfterTheNextSync) {
    StartWithFiles(QUIET_PORT + "[RDS]EEPROMSIZE=1000\n[RDS]REPLY=PLUS\n",
                   "PI=C201\nPSN=\"RADIO|%TITLE%\"\nTXT1=\"%TITLE%\"\nRTPLUS=01\n.ASYNCLOAD\n");
    Ticks(1);  // the first read
    ASSERT_TRUE(dlg->IsHardwareReady());
    Ticks(dlg->TicksUntilSync());  // the chip in step with the station's image

    QTcpSocket client;
    ASSERT_TRUE(Connect(client));
    client.write("TEXT=Artist - Caf\xC3\xA9\r\n");  // UTF-8, as most playout systems send it
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.bytesAvailable() >= 3; }));
    EXPECT_EQ(client.readAll().toStdString(), "+\r\n");  // the answer alone: no greeting
    EXPECT_EQ(CountLog("Set title = \"Artist - Caf\xE9\""), 1);
    EXPECT_EQ(CountLog("TEXT=Artist - Caf\xE9 - OK"), 1);  // the log shows the characters, not their UTF-8 bytes

    std::vector<rdstest::Group> groups;
    EXPECT_FALSE(RadioTextStartsWith(Receive(sim->Chip().Bytes().data(), groups), "Artist"));  // not before the sync
    Ticks(dlg->TicksUntilSync());
    const rdstest::CTestReceiver r = Receive(sim->Chip().Bytes().data(), groups);
    EXPECT_TRUE(RadioTextStartsWith(r, "Artist - Café"));
    EXPECT_NE(std::find(r.psPages.begin(), r.psPages.end(), "Artist -"), r.psPages.end());
    ASSERT_FALSE(r.rtPlus.empty());
    EXPECT_EQ(rdstest::RdsToUtf8(r.rtPlus.back().Text(4)), "Artist");
    EXPECT_EQ(rdstest::RdsToUtf8(r.rtPlus.back().Text(1)), "Café");
}
