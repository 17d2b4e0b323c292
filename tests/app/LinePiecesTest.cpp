// The controller as the server wires it, with the command server's own timers: a client on
// 127.0.0.1 whose line reaches us in two pieces must see it run once, whole.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

#include "ServerFixture.h"

namespace {
class LinePieces : public ServerFixture {
protected:
    // Runs the event loop until done() or a bound that only a stuck server reaches.
    static bool PumpUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); }
    static void Pump(int ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    void Send(QTcpSocket& client, const std::string& bytes) {
        client.write(bytes.data(), static_cast<qint64>(bytes.size()));
        client.flush();
    }
};
}  // namespace

TEST_F(LinePieces, ALineInTwoPiecesFiftyMillisecondsApartRunsOnceWhole) {
    StartWithFiles(QUIET_PORT, "PI=C201\n");
    ASSERT_GT(dlg->BoundPort(), 0);
    QTcpSocket client;
    ASSERT_TRUE(Connect(client));
    // A first line with its line end: from now on lines are cut at line ends, not per receive.
    Send(client, "PTY=10\r\n");
    ASSERT_TRUE(PumpUntil([&] { return CountLog("PTY=10 - OK") == 1; }));

    // Each try uses its own text; a try whose pause the loaded machine stretched past the
    // server's wait does not count, as it no longer sends what this test is about.
    int inTime = 0;
    for (int attempt = 0; attempt < 3 && inTime == 0; ++attempt) {
        const std::string first = "TXT1=\"NOITE" + std::to_string(attempt) + " ",
                          second = "DE FADO" + std::to_string(attempt) + "\"";
        QElapsedTimer gap;
        Send(client, first);
        gap.start();
        Pump(50);
        Send(client, second + "\r\n");
        const bool counts = gap.elapsed() < CCommandServer::kLineWaitMs - 50;
        const std::string whole = first + second + " - OK";
        ASSERT_TRUE(PumpUntil([&] { return CountLogStarting(first) + CountLogStarting(second) >= 1; }));
        Pump(CCommandServer::kLineWaitMs + 50);  // a piece run on its own would show by now
        if (!counts) continue;
        ++inTime;
        EXPECT_EQ(CountLog(whole), 1) << attempt;
        EXPECT_EQ(CountLogStarting(first), 1) << attempt;  // the whole line, and no piece alone
        EXPECT_EQ(CountLogStarting(second), 0) << attempt;
    }
    EXPECT_EQ(inTime, 1) << "no try sent its pieces within the server's wait";
}
