#include <QTcpServer>
#include <QTcpSocket>

#include "ServerFixture.h"

// A time client that never answers keeps a cycle under way for many ticks; the EEPROM must
// still be brought in step every SYNC_TICKS ticks meanwhile.
TEST_F(ServerFixture, TheSyncKeepsItsRhythmWhileTimePacketsGoOut) {
    QTcpServer silent;  // accepts nothing: once its queue is full, a connect never completes
    silent.setListenBacklogSize(0);
    silent.setMaxPendingConnections(0);
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    std::array<QTcpSocket, 3> fillers;
    for (auto& filler : fillers) filler.connectToHost(QHostAddress::LocalHost, silent.serverPort());
    Write("DEF.INI", QUIET_PORT + "[RDS]EEPROMSIZE=1000\n");
    Write("RDS.TXT", "PI=C201\n.ASYNCLOAD\n.END\n");
    Write("TIMECLI.TXT", "127.0.0.1@" + std::to_string(silent.serverPort()) + "\n");
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
