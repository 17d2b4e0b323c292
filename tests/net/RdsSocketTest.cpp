#include <gtest/gtest.h>

#include <string>

#include "FakeNetHost.h"
#include "RdsSocket.h"

namespace {

// Takes nothing on the accept event, so a connection waits in the queue.
class LateOwner : public ICommandOwner {
public:
    explicit LateOwner(CRdsSocket& connection) : m_connection(connection) {}
    void OnClientAccept() override { ++accepts; }
    void OnClientReceive() override
    {
        char buffer[64];
        int n;
        while ((n = m_connection.Receive(buffer, sizeof buffer)) > 0)
            received.append(buffer, static_cast<std::size_t>(n));
    }
    void OnClientClose() override { ++closes; }

    int accepts = 0;
    int closes = 0;
    std::string received;

private:
    CRdsSocket& m_connection;
};

TEST(RdsSocket, ReplaysDataAndACloseThatCameBeforeTheAccept)
{
    CRdsSocket listener, connection;
    LateOwner owner(connection);
    listener.SetCommandOwner(&owner);
    connection.SetCommandOwner(&owner);
    ASSERT_TRUE(listener.Listen(0, 5));

    auto client = ConnectClient(listener.LocalPort());
    SendRaw(*client, "ENCODE");
    client->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return owner.accepts == 1; }));
    // Let the waiting connection take in the bytes and the close, with nobody listening to it.
    QTest::qWait(100);

    ASSERT_TRUE(listener.Accept(connection));
    ASSERT_TRUE(WaitFor([&] { return owner.closes == 1; }));
    EXPECT_EQ(owner.received, "ENCODE");
    EXPECT_FALSE(listener.Accept(connection));
}

class TimeEvents : public ITimeOwner {
public:
    void OnTimeConnect() override { ++connects; }
    void OnTimeConnectFailed(int) override { ++failures; }
    void OnTimeSendReady() override { ++sendReady; }
    int connects = 0, failures = 0, sendReady = 0;
};

TEST(RdsSocket, ClosingRaisesNoEventOfItsOwn)
{
    CRdsSocket listener, connection;
    LateOwner owner(connection);
    listener.SetCommandOwner(&owner);
    connection.SetCommandOwner(&owner);
    ASSERT_TRUE(listener.Listen(0, 5));
    auto client = ConnectClient(listener.LocalPort());
    ASSERT_TRUE(WaitFor([&] { return owner.accepts == 1; }));
    ASSERT_TRUE(listener.Accept(connection));

    const int port = listener.LocalPort();
    connection.Close();
    listener.Close();
    EXPECT_EQ(ReadToEnd(*client), "");
    EXPECT_EQ(owner.closes, 0);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(listener.LocalPort(), 0);

    // The time role: a refused connect is reported once and never as a connect.
    TimeEvents events;
    CRdsSocket sender;
    sender.SetTimeOwner(&events);
    sender.Connect(0x7F000001u, static_cast<uint16_t>(port));
    ASSERT_TRUE(WaitFor([&] { return events.failures > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(events.failures, 1);
    EXPECT_EQ(events.connects, 0);
    EXPECT_EQ(events.sendReady, 0);
}

}  // namespace
