#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FakeNetHost.h"
#include "TimeServer.h"

namespace {

const std::string kRule(62, '-');
const char* const kNotOnline = "Sending ERROR - Not ONLINE ???";
const char* const kTimeout = "Sending timeout error. ( Machine off ? )";

// A time client: takes the packet, then hangs up as a real one does.
class TimeListener {
public:
    TimeListener(std::vector<int>& arrivals, int id)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this, &arrivals, id] {
            QTcpSocket* s = m_server.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, &arrivals, id] {
                received += s->readAll().toStdString();
                if (received.size() >= 18) {
                    arrivals.push_back(id);
                    s->close();
                }
            });
        });
    }
    [[nodiscard]] int Port() const { return m_server.serverPort(); }
    std::string received;

private:
    QTcpServer m_server;
};

// A port on which nothing listens.
int RefusingPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

// A listener that never accepts and whose queue is full, so a connect never completes.
class FullBacklogListener {
public:
    FullBacklogListener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(m_fd, 0) != 0)
            return;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        for (int i = 0; i < 8 && !full; ++i) {
            const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            m_fillers.push_back(c);
            ::connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
            pollfd p{c, POLLOUT, 0};
            full = ::poll(&p, 1, 300) == 0;
        }
    }
    ~FullBacklogListener()
    {
        for (int c : m_fillers)
            ::close(c);
        ::close(m_fd);
    }
    int port = 0;
    bool full = false;

private:
    int m_fd = -1;
    std::vector<int> m_fillers;
};

class TimeServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        host.folder = dir.path().toStdString();
    }
    void TearDown() override
    {
        server.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void WriteClients(const std::string& text)
    {
        std::ofstream(host.folder + "/TIMECLI.TXT", std::ios::binary) << text;
    }
    // Ticks a cycle to its end, letting each client's events arrive between ticks.
    void RunCycle()
    {
        for (int ticks = 0; server->m_timeSending && ticks < 200; ++ticks) {
            WaitFor([&] { return server->m_timeStepDone; });
            server->TickCycle();
        }
        EXPECT_FALSE(server->m_timeSending);
        EXPECT_EQ(server->m_timeSocket, nullptr);
    }
    static std::string Client(int port) { return "127.0.0.1@" + std::to_string(port); }

    QTemporaryDir dir;
    FakeNetHost host;
    std::unique_ptr<CTimeServer> server = std::make_unique<CTimeServer>(host);
    std::vector<int> arrivals;
};

TEST_F(TimeServerTest, SendsTheEighteenPacketBytesAtTheClockTime)
{
    const struct {
        int h, m, s;
        std::string packet;
    } cases[] = {{5, 8, 46, "TIME=[05.08.46.23]"}, {0, 0, 0, "TIME=[00.00.00.00]"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.packet);
        host.log.clear();
        TimeListener listener(arrivals, 0);
        WriteClients(Client(listener.Port()) + "\n");
        host.hour = c.h;
        host.minute = c.m;
        host.second = c.s;
        server->StartTimeSync();
        RunCycle();
        ASSERT_TRUE(WaitFor([&] { return listener.received.size() >= 18; }));
        EXPECT_EQ(listener.received, c.packet);
        EXPECT_EQ(host.log, (std::vector<std::string>{kRule, "Sending to " + Client(listener.Port()) + " : " + c.packet,
                                                      "Sent OK."}));
    }
}

TEST_F(TimeServerTest, ServesTheClientsFromTheLastLineToTheFirst)
{
    TimeListener a(arrivals, 'A'), b(arrivals, 'B'), c(arrivals, 'C');
    const std::string lineB = "127.000.000.001@" + std::to_string(b.Port());
    WriteClients(Client(a.Port()) + "\n" + lineB + "\n" + Client(c.Port()) + "\n");
    server->StartTimeSync();
    // As with a real one-second tick, each client has read and hung up before the next tick.
    for (std::size_t served = 1; served <= 3; ++served) {
        ASSERT_TRUE(WaitFor([&] {
            return server->m_timeStepDone && arrivals.size() == served && !server->m_timeSocket->IsOpen();
        }));
        server->TickCycle();
    }
    EXPECT_FALSE(server->m_timeSending);
    EXPECT_EQ(arrivals, (std::vector<int>{'C', 'B', 'A'}));

    std::vector<std::string> sendingTo;
    for (const auto& line : host.log)
        if (line.rfind("Sending to ", 0) == 0)
            sendingTo.push_back(line.substr(0, line.find(" : ")));
    EXPECT_EQ(sendingTo, (std::vector<std::string>{"Sending to " + Client(c.Port()), "Sending to " + lineB,
                                                   "Sending to " + Client(a.Port())}));
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "Sent OK."), 3);
    // A client that hangs up after reading is no failed connect.
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), kNotOnline), 0);
}

TEST_F(TimeServerTest, LogsARefusedConnectionAndGoesOn)
{
    const int port = RefusingPort();
    WriteClients(Client(port) + "\n");
    host.hour = 5;
    host.minute = 8;
    host.second = 46;
    server->StartTimeSync();
    ASSERT_TRUE(WaitFor([&] { return server->m_timeStepDone; }));
    EXPECT_EQ(host.log, (std::vector<std::string>{kRule, "Sending to " + Client(port) + " : TIME=[05.08.46.23]",
                                                  kNotOnline}));
    RunCycle();
}

TEST_F(TimeServerTest, AbandonsAClientThatNeverAnswersOnTheSeventeenthTick)
{
    FullBacklogListener silent;
    ASSERT_TRUE(silent.full) << "could not fill the listen queue";
    WriteClients(Client(silent.port) + "\n");
    server->StartTimeSync();
    ASSERT_TRUE(server->m_timeSending);
    for (int tick = 1; tick <= 16; ++tick) {
        QCoreApplication::processEvents();
        server->TickCycle();
        ASSERT_FALSE(server->m_timeStepDone) << "tick " << tick;
    }
    server->TickCycle();
    EXPECT_TRUE(server->m_timeStepDone);
    EXPECT_EQ(host.log.back(), kTimeout);
    EXPECT_EQ(host.log.size(), 3u);
    server->TickCycle();
    EXPECT_FALSE(server->m_timeSending);
}

TEST_F(TimeServerTest, SkipsAClientOutOfRangeWithoutWaitingForIt)
{
    TimeListener listener(arrivals, 0);
    WriteClients(Client(listener.Port()) + "\n300.1.1.1@5000\n");
    server->StartTimeSync();
    // The unusable line is passed over at once and the good one is under way.
    ASSERT_GE(host.log.size(), 4u);
    EXPECT_EQ(host.log[1], "Sending to 300.1.1.1@5000 : skipped, address or port out of range.");
    EXPECT_EQ(host.log[3].rfind("Sending to " + Client(listener.Port()) + " : TIME=[", 0), 0u);
    RunCycle();
    EXPECT_TRUE(WaitFor([&] { return arrivals.size() == 1; }));
}

TEST_F(TimeServerTest, KeepsThirtyTwoClientsAndServesTheLastKeptFirst)
{
    const int port = RefusingPort();
    std::string file = "; clients\n;" + Client(port) + " #0\nnot a client\n";
    for (int i = 1; i <= 40; ++i)
        file += Client(port) + " #" + std::to_string(i) + "\n";
    WriteClients(file);
    server->StartTimeSync();
    EXPECT_EQ(server->m_timeClientCount, 31);
    ASSERT_GE(host.log.size(), 2u);
    EXPECT_EQ(host.log[1].substr(0, host.log[1].find(" : ")), "Sending to " + Client(port) + " #32");
}

TEST_F(TimeServerTest, ACommentOnlyOrMissingFileGivesAnEmptyCycle)
{
    server->StartTimeSync();
    EXPECT_FALSE(server->m_timeSending);
    WriteClients("; nobody yet\n;10.0.0.1@5000\n");
    server->StartTimeSync();
    EXPECT_FALSE(server->m_timeSending);
    EXPECT_EQ(server->m_timeSocket, nullptr);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(TimeServerTest, StartsOncePerHourAtTheSetMinuteOrWhenStruck)
{
    const struct {
        const char* name;
        bool active;
        int hour, minute;
        bool strike, sentBefore;
        std::vector<std::string> shown;  // next-update texts set by this tick
        bool sentAfter, strikeAfter;
    } cases[] = {
        {"set minute", true, 10, 30, false, false, {"11:30"}, true, false},
        {"midnight wraps", true, 23, 30, false, false, {"00:30"}, true, false},
        {"next minute clears", true, 10, 31, false, true, {}, false, false},
        {"strike off the minute", true, 10, 5, true, false, {"11:30"}, false, false},
        {"strike in a used minute waits", true, 10, 30, true, true, {}, true, true},
        {"inactive does nothing", false, 10, 30, true, false, {}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTimeServer ts(host);
        ts.m_timeMinute = 30;
        ts.m_strikeTimeServer = c.strike;
        ts.m_timeSentThisMinute = c.sentBefore;
        host.hour = c.hour;
        host.minute = c.minute;
        host.nextUpdate.clear();
        ts.TickSchedule(c.active);
        EXPECT_EQ(host.nextUpdate, c.shown);
        EXPECT_EQ(ts.m_timeSentThisMinute, c.sentAfter);
        EXPECT_EQ(ts.m_strikeTimeServer, c.strikeAfter);
    }
}

TEST_F(TimeServerTest, SendNowStrikesTheNextActiveTickButNotARunningCycle)
{
    TimeListener listener(arrivals, 0);
    WriteClients(Client(listener.Port()) + "\n");
    server->m_timeMinute = 30;
    host.hour = 14;
    host.minute = 2;
    server->OnSendNow();
    server->TickSchedule(false);
    EXPECT_FALSE(server->m_timeSending);
    server->TickSchedule(true);
    ASSERT_TRUE(server->m_timeSending);
    EXPECT_EQ(host.nextUpdate, std::vector<std::string>{"15:30"});
    server->OnSendNow();
    EXPECT_FALSE(server->m_strikeTimeServer);
    RunCycle();
    EXPECT_TRUE(WaitFor([&] { return arrivals.size() == 1; }));
}

}  // namespace
