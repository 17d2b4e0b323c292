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

}  // namespace
