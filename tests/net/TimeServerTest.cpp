#include <QTcpServer>
#include <QTemporaryDir>
#include <fstream>

#include "FakeNetHost.h"
#include "SilentListener.h"
#include "TimeServer.h"

// A time client that takes the 18-byte packet and hangs up, as a real one does.
struct TimeListener : QTcpServer {
    TimeListener() {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, [this] {
            QTcpSocket* s = nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, [this, s] {
                if ((received += s->readAll().toStdString()).size() >= 18) s->close();
            });
        });
    }
    std::string Line() const { return "127.0.0.1@" + std::to_string(serverPort()); }
    std::string received;
};

class TimeServerTest : public ::testing::Test {
protected:
    void SetUp() override { host.folder = dir.path().toStdString(); }
    void WriteClients(const std::string& text) { std::ofstream(host.folder + "/TIMECLI.TXT") << text; }

    QTemporaryDir dir;
    FakeNetHost host;
    FakeTimer connectLimit;
    CTimeServer server{host, &connectLimit};
    const std::string rule = std::string(62, '-');
};

// Lines are read as "%d.%d.%d.%d@%d" reads them; comments, lines that do not parse and numbers out of range
// are passed over.
TEST_F(TimeServerTest, ServesEveryUsableClientFromTheLastLineToTheFirstOnceAnHour) {
    TimeListener a, b, c, gone;
    const std::string lineB = " 127.000.\t0. 001@ " + std::to_string(b.serverPort()) + " studio", refused = gone.Line();
    // Were these used, their octets would wrap to loopback addresses, and the port is closed.
    const std::string octet = "+127.0.0.256@" + std::to_string(gone.serverPort());
    const std::string big = "383.0.0.1@" + std::to_string(gone.serverPort());
    gone.close();
    WriteClients("; studio clients\n;" + a.Line() + "\nnot a client\n127.0.0.1 @80\n" + a.Line() + "\n" + octet + "\n" +
                 refused + "\n" + big + "\n127.0.0.1@65536\n" + lineB + "\n" + c.Line() + "\n");
    server.m_timeMinute = 8;
    host.hms = {5, 8, 46};
    server.TickSchedule(true);  // the set minute starts a cycle and names the next one
    EXPECT_TRUE(server.m_timeSending && host.nextUpdate == Lines{"06:08"});
    // Like a one-second tick, each client has read and hung up before the next tick. The log shows the order.
    for (int ticks = 0; server.m_timeSending && ticks < 20; ++ticks) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.m_timeStepDone && !server.m_timeSocket->IsOpen(); }));
        server.TickCycle();
    }
    EXPECT_TRUE(!server.m_timeSending && !server.m_timeSocket);
    EXPECT_TRUE(a.received == "TIME=[05.08.46.23]" && b.received == a.received && c.received == a.received);
    auto to = [](const std::string& line) { return "Sending to " + line + " : TIME=[05.08.46.23]"; };
    const std::string skipped = " : skipped, address or port out of range.";
    EXPECT_EQ(host.log, (Lines{rule, to(c.Line()), "Sent OK.", rule, to(lineB), "Sent OK.", rule,
                               "Sending to 127.0.0.1@65536" + skipped, rule, "Sending to " + big + skipped, rule,
                               to(refused), "Sending ERROR - Not ONLINE ???", rule, "Sending to " + octet + skipped,
                               rule, to(a.Line()), "Sent OK."}));
    server.OnSendNow();
    server.TickSchedule(true);  // struck, but this minute had its cycle: the strike waits
    EXPECT_TRUE(!server.m_timeSending && server.m_strikeTimeServer && host.nextUpdate.size() == 1);
    host.hms = {5, 9, 0};
    server.TickSchedule(false);  // the time server switched off: the tick does nothing at all
    EXPECT_TRUE(!server.m_timeSending && server.m_timeSentThisMinute);
    server.TickSchedule(true);  // the first tick of a new minute frees it; the strike starts on the next
    EXPECT_FALSE(server.m_timeSending || server.m_timeSentThisMinute);
    server.TickSchedule(true);
    EXPECT_TRUE(server.m_timeSending && host.nextUpdate.back() == "06:08");
}

TEST_F(TimeServerTest, KeepsThirtyTwoClientsAndGivesUpOnASilentOneAtTheSeventeenthTick) {
    SilentListener silent;
    ASSERT_TRUE(silent.Listening());
    const std::string line = silent.Line();
    server.StartTimeSync();
    EXPECT_FALSE(server.m_timeSending);  // no client file yet
    std::string file;
    for (int i = 1; i <= 40; ++i) file += line + " #" + std::to_string(i) + " \xE9\r\n";
    WriteClients(file);
    host.hms = {23, 59, 0};
    server.OnSendNow();  // struck off the set minute (0); the next cycle is after midnight
    server.TickSchedule(true);
    EXPECT_EQ(host.nextUpdate, Lines{"00:00"});
    EXPECT_EQ(server.m_timeClientCount, 31);
    for (int tick = 1; tick <= 16; ++tick) {
        QCoreApplication::processEvents();
        server.TickCycle();
        ASSERT_FALSE(server.m_timeStepDone) << "tick " << tick;
    }
    server.TickCycle();
    EXPECT_TRUE(server.m_timeStepDone);
    server.TickCycle();  // on to the line before; a kept line keeps its trailing blank
    EXPECT_EQ(host.log, (Lines{rule, "Sending to " + line + " #32  : TIME=[23.59.00.2C]",  // 23 ^ 59 = 44
                               "Sending timeout error. ( Machine off ? )", rule,
                               "Sending to " + line + " #31  : TIME=[23.59.00.2C]"}));
}

// Each hung connect ends at the connect limit, so a cycle through dead clients no longer takes minutes.
TEST_F(TimeServerTest, AClientThatNeverAcceptsIsGivenUpAtTheConnectLimit) {
    SilentListener silent;
    ASSERT_TRUE(silent.Listening());
    TimeListener alive;
    const std::string dead = silent.Line();
    WriteClients(alive.Line() + "\n" + dead + "\n");
    host.hms = {10, 21, 30};
    server.StartTimeSync();
    EXPECT_TRUE(connectLimit.armed);
    QCoreApplication::processEvents();
    server.TickCycle();
    EXPECT_FALSE(server.m_timeStepDone);  // still connecting
    server.OnConnectTimeout();
    EXPECT_TRUE(server.m_timeStepDone);
    server.TickCycle();  // the next tick goes on to the next client
    ASSERT_TRUE(QTest::qWaitFor([&] { return alive.received.size() == 18; }));
    EXPECT_FALSE(connectLimit.armed);  // connected in time
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.m_timeStepDone; }));
    server.TickCycle();
    EXPECT_FALSE(server.m_timeSending);
    const std::string packet = "TIME=[10.21.30.01]";  // 0x0A ^ 0x15 ^ 0x1E = 0x01
    EXPECT_EQ(host.log, (Lines{rule, "Sending to " + dead + " : " + packet, "Sending timeout error. ( Machine off ? )",
                               rule, "Sending to " + alive.Line() + " : " + packet, "Sent OK."}));
}
