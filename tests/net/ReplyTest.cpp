// Playout systems that wait for an answer to each line: the two reply modes, and a client
// that never reads what it is answered.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "FakeNetHost.h"

namespace {

class ReplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.StartListening();
        host.port = server.BoundPort();
        host.log.clear();
    }
    std::unique_ptr<QTcpSocket> Connected() {
        auto client = ConnectClient(server.BoundPort());
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.IsClientConnected(); }));
        return client;
    }
    // Sends each write as a receive of its own, then waits for exactly `replies` and no greeting.
    std::string Exchange(const Lines& writes, std::size_t replyBytes) {
        auto client = Connected();
        for (const auto& write : writes) {
            const int before = host.timerCalls;
            SendRaw(*client, write);
            EXPECT_TRUE(QTest::qWaitFor([&] { return host.timerCalls > before; }));
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return client->bytesAvailable() >= static_cast<qint64>(replyBytes); }));
        std::string got = client->readAll().toStdString();
        client->disconnectFromHost();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !server.IsClientConnected(); }));
        return got;
    }

    FakeNetHost host;
    FakeTimer retry, idle;
    CCommandServer server{host, CommandTimers{&host, &retry, &idle}};
};

}  // namespace

// The fake host takes a line with '=' (or ENCODE) and refuses the rest.
TEST_F(ReplyTest, EveryLineIsAnsweredAfterItRanInPlaceOfTheGreeting) {
    const struct {
        ReplyMode mode;
        Lines writes;
        std::string replies;
    } cases[] = {
        {ReplyMode::Plus, {"TEXT=Artist - Song\r\n"}, "+\r\n"},
        {ReplyMode::Plus, {"XYZ\r\n"}, "!\r\n"},
        {ReplyMode::Plus, {"TA=1\r\nXYZ\rPI=C201\n"}, "+\r\n!\r\n+\r\n"},
        {ReplyMode::Plus, {"TA=1\r\n", "TEXT=Art", "ist - Song\r", "\n"}, "+\r\n+\r\n"},  // one line in three receives
        {ReplyMode::Plus, {"TEXT=bare"}, "+\r\n"},  // no line end: the receive is the line
        {ReplyMode::Ok, {"TEXT=Artist - Song\r\n"}, "OK\r\n"},
        {ReplyMode::Ok, {"XYZ\r\n"}, "NO\r\n"},
        {ReplyMode::Ok, {"ENCODE\r\nPS\r\n"}, "OK\r\nNO\r\n"},
        {ReplyMode::Ok, {"TA=1\n", "DPS=Ra", "dio\n"}, "OK\r\nOK\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.writes.front());
        server.SetReplyMode(c.mode);
        EXPECT_EQ(Exchange(c.writes, c.replies.size()), c.replies);
    }
}

TEST_F(ReplyTest, APieceHeldForItsLineEndIsAnsweredOnlyWhenItRuns) {
    server.SetReplyMode(ReplyMode::Plus);
    auto client = Connected();
    SendRaw(*client, "TA=1\r\nTEXT=Held");
    ASSERT_TRUE(QTest::qWaitFor([&] { return client->bytesAvailable() >= 3; }));
    EXPECT_EQ(client->readAll().toStdString(), "+\r\n");
    EXPECT_TRUE(host.armed);
    server.OnLineTimeout();  // the held piece runs as it stands
    ASSERT_TRUE(QTest::qWaitFor([&] { return client->bytesAvailable() >= 3; }));
    EXPECT_EQ(client->readAll().toStdString(), "+\r\n");
    EXPECT_EQ(host.executed, (Lines{"TA=1", "TEXT=Held"}));
}

TEST_F(ReplyTest, TheOlderModeForwardsLinesAndAnswersNothing) {
    server.SetReplyMode(ReplyMode::Plus);
    host.externalCoder = true;
    auto client = Connected();
    SendRaw(*client, "TEXT=Artist - Song\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host.coder.empty(); }));
    server.StopListening();
    EXPECT_EQ(ReadToEnd(*client), "");
    EXPECT_EQ(host.coder, Lines{"TEXT=Artist - Song"});
}

// A plain socket with a small receive buffer that is never read: the replies back up in the
// system first, then in the server, which stops queueing past 4 KB and says so once.
TEST_F(ReplyTest, AClientThatNeverReadsDoesNotMakeRepliesPileUpAndStillHasItsLinesRun) {
    const std::string dropped =
        "Cliente n\xE3o l\xEA as respostas: mais de 4 KB por enviar, as seguintes s\xE3o descartadas.";
    server.SetReplyMode(ReplyMode::Ok);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    const int small = 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server.BoundPort()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.IsClientConnected(); }));

    std::string batch;
    for (int n = 0; n < 1000; ++n) batch += "TA=1\r\n";
    const auto droppedLines = [&] { return std::count(host.log.begin(), host.log.end(), dropped); };
    for (int round = 0; round < 300 && droppedLines() == 0; ++round) {
        const std::size_t before = host.executed.size();
        ASSERT_EQ(::send(fd, batch.data(), batch.size(), 0), std::ssize(batch));
        ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == before + 1000; }));
    }
    EXPECT_EQ(droppedLines(), 1);
    const std::size_t before = host.executed.size();
    ASSERT_EQ(::send(fd, batch.data(), batch.size(), 0), std::ssize(batch));
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == before + 1000; }));
    EXPECT_EQ(droppedLines(), 1);  // once per connection
    EXPECT_EQ(host.log.back(), "TA=1 - OK");
    ::close(fd);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.IsClientConnected(); }));
}
