#include <QTcpServer>
#include <QTcpSocket>

#include "ServerFixture.h"
#include "SilentListener.h"

// A time client that never answers keeps a cycle under way for many ticks; the EEPROM must
// still be brought in step every SYNC_TICKS ticks meanwhile.
TEST_F(ServerFixture, TheSyncKeepsItsRhythmWhileTimePacketsGoOut) {
    SilentListener silent;
    ASSERT_TRUE(silent.Listening());
    Write("DEF.INI", QUIET_PORT + "[RDS]EEPROMSIZE=1000\n");
    Write("RDS.TXT", "PI=C201\n.ASYNCLOAD\n.END\n");
    Write("TIMECLI.TXT", silent.Line() + "\n");
    Start();
    Ticks(1);  // the first read of the EEPROM
    ASSERT_TRUE(dlg->IsHardwareReady());
    view.controls.timeServerActive = true;
    dlg->TimeServer().OnSendNow();
    while (!dlg->TimeServer().m_timeSending) {
        ASSERT_LT(view.clears[ServerList::Dump], 5) << "the time cycle never started";
        Ticks(1);
    }
    const int dumpsBefore = view.clears[ServerList::Dump];
    Ticks(CRdsServerDlg::SYNC_TICKS);
    EXPECT_TRUE(dlg->TimeServer().m_timeSending);  // still waiting on its client
    EXPECT_EQ(view.clears[ServerList::Dump], dumpsBefore + 1);
}
