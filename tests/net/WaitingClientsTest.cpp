#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cstdio>

#include "FakeNetHost.h"

namespace {

const std::string kIdleClosed = "Cliente sem enviar nada h\xE1 60 s com outro \xE0 espera: liga\xE7\xE3o fechada.";

std::string PiLine(int value) {
    char line[16];
    std::snprintf(line, sizeof line, "PI=%04X", value);
    return line;
}

// The greeting ends with the client's own port (taken while connected), so each client can tell it got its own.
bool HasOwnGreeting(const std::string& received, int clientPort) {
    const std::string tail = "YOUR SOCKET ADDRESS/CONNECTION: 12:34:56 # 127.0.0.1 @ " + std::to_string(clientPort) +
                             "\n\r";
    return received.starts_with("Orvane Server versao 5.0\n\r") && received.ends_with(tail);
}

// The server's end of the connection whose far end is `client`, found among this process's descriptors.
int ServerSideOf(const QTcpSocket& client, int serverPort) {
    for (int fd = 3; fd < 1024; ++fd) {
        sockaddr_in local{}, peer{};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 || local.sin_family != AF_INET)
            continue;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) continue;
        if (ntohs(local.sin_port) == serverPort && ntohs(peer.sin_port) == client.localPort()) return fd;
    }
    return -1;
}

int Option(int fd, int level, int name) {
    int value = -1;
    socklen_t size = sizeof value;
    ::getsockopt(fd, level, name, &value, &size);
    return value;
}

class WaitingClientsTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.StartListening();
        host.log.clear();
        port = server.BoundPort();
    }

    FakeNetHost host;
    FakeTimer retry, idle;
    CCommandServer server{host, CommandTimers{&host, &retry, &idle}};
    int port = 0;
};

}  // namespace

// Every tenth client stays to read its greeting and then hangs up; the others send their line and go at once.
TEST_F(WaitingClientsTest, HundredOneShotClientsAllRunInTheOrderTheyConnected) {
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    std::vector<std::string> received(100);
    std::vector<int> ports(100);
    Lines expected;
    for (int i = 0; i < 100; ++i) {
        // Kept under the waiting limit, which has a test of its own.
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.WaitingClients() < 60; }));
        auto& client = clients.emplace_back(ConnectClient(port));
        ports[i] = client->localPort();
        SendRaw(*client, expected.emplace_back(PiLine(0xC000 + i)) + "\r\n");
        if (i % 10 != 0) {
            client->disconnectFromHost();
            continue;
        }
        QObject::connect(client.get(), &QTcpSocket::readyRead, [&, i, socket = client.get()] {
            received[i] += socket->readAll().toStdString();
            if (HasOwnGreeting(received[i], ports[i])) socket->disconnectFromHost();
        });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == 100 && !server.IsClientConnected(); }, 30000));
    EXPECT_EQ(host.executed, expected);
    EXPECT_EQ(host.connections.size(), 100u);
    for (int i = 0; i < 100; i += 10) EXPECT_TRUE(HasOwnGreeting(received[i], ports[i])) << "client " << i;
    EXPECT_EQ(host.picture, SocketPicture::Listening);
}

TEST_F(WaitingClientsTest, AQuietClientGivesWayOnlyWhenSomeoneWaits) {
    auto first = ConnectClient(port);
    const int firstPort = first->localPort();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.IsClientConnected(); }));
    EXPECT_TRUE(idle.armed);
    server.OnIdleTimeout();  // a minute without a word, but nobody waits: it keeps the slot
    EXPECT_TRUE(server.IsClientConnected() && host.log.empty());
    auto second = ConnectClient(port);  // someone comes: the quiet one is closed at once
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.connections.size() == 2; }));
    EXPECT_TRUE(HasOwnGreeting(ReadToEnd(*first), firstPort));
    EXPECT_EQ(host.log, Lines{kIdleClosed});
    SendRaw(*second, "TA=1\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == 1; }));
    auto third = ConnectClient(port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.WaitingClients() == 1; }));
    EXPECT_EQ(host.connections.size(), 2u);  // a client that spoke keeps its slot while its minute runs
    server.OnIdleTimeout();
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.connections.size() == 3; }));
    EXPECT_EQ(ReadToEnd(*second).find("Orvane Server"), 0u);  // greeted, then closed
    EXPECT_EQ(host.log, (Lines{kIdleClosed, "TA=1 - OK", kIdleClosed}));
}

// A client served, sixty-four waiting and sending their lines before they go, one more turned away.
TEST_F(WaitingClientsTest, SixtyFourWaitTheirTurnAndTheNextIsClosedAtOnce) {
    auto served = ConnectClient(port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.IsClientConnected(); }));
    std::vector<std::unique_ptr<QTcpSocket>> waiting;
    Lines expected;
    for (int i = 0; i < 64; ++i) {
        auto& client = waiting.emplace_back(ConnectClient(port));
        SendRaw(*client, expected.emplace_back(PiLine(0x1000 + i)) + "\r\n");
        client->disconnectFromHost();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.WaitingClients() == 64; }));
    QTcpSocket turnedAway;
    turnedAway.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return turnedAway.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(turnedAway.readAll().isEmpty());
    EXPECT_TRUE(server.WaitingClients() == 64 && host.connections.size() == 1 && host.executed.empty());
    served->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == 64 && !server.IsClientConnected(); }, 30000));
    EXPECT_EQ(host.executed, expected);
    EXPECT_EQ(host.connections.size(), 65u);
}

TEST_F(WaitingClientsTest, ServedAndWaitingSocketsProbeAVanishedPeerAfterAMinute) {
    auto served = ConnectClient(port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.IsClientConnected(); }));
    auto waiting = ConnectClient(port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.WaitingClients() == 1; }));
    for (const QTcpSocket* client : {served.get(), waiting.get()}) {
        const int fd = ServerSideOf(*client, port);
        ASSERT_GE(fd, 0);
        EXPECT_NE(Option(fd, SOL_SOCKET, SO_KEEPALIVE), 0);
        EXPECT_EQ(Option(fd, IPPROTO_TCP, TCP_KEEPIDLE), 60);
        EXPECT_EQ(Option(fd, IPPROTO_TCP, TCP_KEEPINTVL), 10);
        EXPECT_EQ(Option(fd, IPPROTO_TCP, TCP_KEEPCNT), 3);
    }
}

// More than a waiting client may have read ahead of its turn: the rest waits with the kernel and is not lost.
TEST_F(WaitingClientsTest, AWaitingClientsLongFloodRunsWholeWhenItsTurnComes) {
    auto served = ConnectClient(port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.IsClientConnected(); }));
    auto flooding = ConnectClient(port);
    Lines expected;
    std::string flood;
    for (int i = 0; i < 8000; ++i) flood += expected.emplace_back("TEXT=waiting line " + std::to_string(i)) + "\r\n";
    ASSERT_GT(flood.size(), 128u * 1024u);
    SendRaw(*flooding, flood);
    flooding->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return flooding->state() == QAbstractSocket::UnconnectedState; }, 30000));
    EXPECT_TRUE(host.executed.empty());
    served->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == 8000 && !server.IsClientConnected(); }, 30000));
    EXPECT_EQ(host.executed, expected);
}
