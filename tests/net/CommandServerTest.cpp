#include <gtest/gtest.h>

#include <QTcpServer>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CommandServer.h"
#include "FakeNetHost.h"

using namespace std::string_literals;

namespace {

const std::string kStatusError =
    "ERROR CONECTING EXTERNAL INTERFACE. -\n\rTem de reiniciar o ORVANE no servidor para verificar as ligacoes.\n\r";

// The greeting written out byte for byte, independently of the server's own builder.
std::string ExpectedGreeting(const std::string& status, int clientPort)
{
    return "Orvane Server versao 5.0\n\rRelease date 01-Julho-2002\n\r"
           "COMSER / DIRECT RDS ACCESS ( X24C32 ) / TIMESERVER\n\r\n\r"
           "Direitos de autor: Orvane Sistemas de Radiodifusao.\n\r"
           "Todos os direitos reservados.\n\r"
           "\n\r\n\x07STATUS :" +
           status + "\n\rYOUR SOCKET ADDRESS/CONNECTION: 12:34:56 # 127.0.0.1 @ " + std::to_string(clientPort) +
           "\n\r";
}

class CommandServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<CCommandServer>(host, &timer);
        server->StartListening();
        ASSERT_TRUE(server->IsListening());
        ASSERT_GT(server->BoundPort(), 0);
    }
    void TearDown() override
    {
        server.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A client that has been accepted and has read its whole greeting.
    std::unique_ptr<QTcpSocket> Greeted()
    {
        auto client = ConnectClient(server->BoundPort());
        const std::string expected = ExpectedGreeting(kStatusError, client->localPort());
        std::string got;
        EXPECT_TRUE(WaitFor([&] {
            got += client->readAll().toStdString();
            return got.size() >= expected.size();
        }));
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(server->IsClientConnected());
        return client;
    }

    bool WaitExecuted(std::size_t count)
    {
        return WaitFor([&] { return host.executed.size() >= count; });
    }

    FakeNetHost host;
    FakeLineTimer timer;
    std::unique_ptr<CCommandServer> server;
};

TEST_F(CommandServerTest, GreetsWithTheHardwareStatusAndAddsTheConnectionLine)
{
    const struct {
        bool ready;
        std::string status;
    } cases[] = {{true, "READY."}, {false, kStatusError}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ready ? "ready" : "not ready");
        host.hardwareReady = c.ready;
        auto client = ConnectClient(server->BoundPort());
        const int clientPort = client->localPort();
        ASSERT_TRUE(WaitFor([&] { return server->IsClientConnected(); }));
        // Closing from our side makes the client read to the end: nothing beyond the greeting.
        server->StopListening();
        EXPECT_EQ(ReadToEnd(*client), ExpectedGreeting(c.status, clientPort));
        EXPECT_EQ(host.connections.back(), "12:34:56 # 127.0.0.1 @ " + std::to_string(clientPort));
        server->StartListening();
    }
    EXPECT_EQ(host.connections.size(), 2u);
}

TEST_F(CommandServerTest, LogsACommandAndSendsNothingBack)
{
    auto client = Greeted();
    SendRaw(*client, "TA=1\r\n");
    ASSERT_TRUE(WaitFor([&] { return !host.log.empty(); }));
    EXPECT_EQ(host.log, std::vector<std::string>{"TA=1 - OK"});
    server->StopListening();
    EXPECT_EQ(ReadToEnd(*client), "");
}

TEST_F(CommandServerTest, RunsEveryLineOfOneWriteInOrder)
{
    auto client = Greeted();
    SendRaw(*client, "PI=C201\r\nXYZ=1\r\nTA=1\r\n");
    ASSERT_TRUE(WaitExecuted(3));
    EXPECT_EQ(host.executed, (std::vector<std::string>{"PI=C201", "XYZ=1", "TA=1"}));
    EXPECT_EQ(host.log, (std::vector<std::string>{"PI=C201 - OK", "XYZ=1 - ERROR", "TA=1 - OK"}));
}

TEST_F(CommandServerTest, RunsALineDribbledByteByByteOnceAndWhole)
{
    auto client = Greeted();
    SendRaw(*client, "TA=1\r\n");
    ASSERT_TRUE(WaitExecuted(1));
    const std::string line = "PI=C201\r\n";
    const int before = timer.calls;
    for (std::size_t i = 0; i < line.size(); ++i) {
        SendRaw(*client, line.substr(i, 1));
        // Each byte is its own receive: wait until the server has taken it.
        ASSERT_TRUE(WaitFor([&] { return timer.calls == before + static_cast<int>(i) + 1; }));
    }
    EXPECT_EQ(host.executed, (std::vector<std::string>{"TA=1", "PI=C201"}));
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "PI=C201 - OK"), 1);
    EXPECT_FALSE(timer.armed);
}

TEST_F(CommandServerTest, KeepsBareWritesAsSeparateCommands)
{
    auto client = Greeted();
    SendRaw(*client, "PI=C201");
    ASSERT_TRUE(WaitExecuted(1));
    SendRaw(*client, "ENCODE");
    ASSERT_TRUE(WaitExecuted(2));
    EXPECT_EQ(host.executed, (std::vector<std::string>{"PI=C201", "ENCODE"}));
    EXPECT_FALSE(timer.armed);
}

TEST_F(CommandServerTest, RemovesTrailingBlanksAndHighBytes)
{
    const struct {
        std::string sent;
        std::string line;
    } cases[] = {
        {"TA=1   \r\n", "TA=1"},
        {"PS=CAF\xC9\r\n", "PS=CAF"},
        {"PS=A\xFF\x80 \t\r\n", "PS=A"},
        {"TA=1\0junk\r\n"s, "TA=1"},
        {"  TA=1\r\n", "  TA=1"},
    };
    auto client = Greeted();
    SendRaw(*client, "\r\n");
    std::size_t n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SendRaw(*client, c.sent);
        ASSERT_TRUE(WaitExecuted(++n));
        EXPECT_EQ(host.executed.back(), c.line);
    }
    client.reset();
    ASSERT_TRUE(WaitFor([&] { return server->IsListening() && !server->IsClientConnected(); }));

    // The same rule for a client that never sends a line end.
    auto bare = Greeted();
    SendRaw(*bare, "TA=1 \xE9");
    ASSERT_TRUE(WaitExecuted(++n));
    EXPECT_EQ(host.executed.back(), "TA=1");
}

TEST_F(CommandServerTest, CutsLongLinesIntoBufferSizedPieces)
{
    auto client = Greeted();
    SendRaw(*client, "\r\n" + std::string(3000, 'A') + "\r\n");
    ASSERT_TRUE(WaitExecuted(2));
    EXPECT_EQ(host.executed[0], std::string(2047, 'A'));
    EXPECT_EQ(host.executed[1], std::string(953, 'A'));
}

TEST_F(CommandServerTest, RunsAHeldPieceOnTimeoutCloseAndFechar)
{
    enum class Trigger { Timeout, PeerClose, Fechar };
    for (Trigger trigger : {Trigger::Timeout, Trigger::PeerClose, Trigger::Fechar}) {
        SCOPED_TRACE(static_cast<int>(trigger));
        host.executed.clear();
        auto client = Greeted();
        SendRaw(*client, "TA=1\r\nENCODE");
        ASSERT_TRUE(WaitFor([&] { return timer.armed && host.executed.size() == 1; }));
        switch (trigger) {
        case Trigger::Timeout:
            timer.armed = false;
            server->OnLineTimeout();
            break;
        case Trigger::PeerClose:
            client->disconnectFromHost();
            break;
        case Trigger::Fechar:
            server->StopListening();
            break;
        }
        ASSERT_TRUE(WaitExecuted(2));
        EXPECT_EQ(host.executed, (std::vector<std::string>{"TA=1", "ENCODE"}));
        EXPECT_EQ(host.log.back(), "ENCODE - OK");
        client.reset();
        ASSERT_TRUE(WaitFor([&] { return !server->IsClientConnected(); }));
        if (!server->IsListening())
            server->StartListening();
        EXPECT_EQ(host.executed.size(), 2u);
    }
}

TEST_F(CommandServerTest, LeavesASecondClientWaitingAndDropsItWhenTheFirstLeaves)
{
    auto first = Greeted();
    auto second = ConnectClient(server->BoundPort());
    ASSERT_EQ(second->state(), QAbstractSocket::ConnectedState);

    first->disconnectFromHost();
    // The listener is made anew, and the waiting connection goes with the old one.
    EXPECT_EQ(ReadToEnd(*second), "");
    ASSERT_TRUE(WaitFor([&] { return server->IsListening() && !server->IsClientConnected(); }));

    auto third = Greeted();
    EXPECT_EQ(host.connections.size(), 2u);
    EXPECT_EQ(host.connections.back(), "12:34:56 # 127.0.0.1 @ " + std::to_string(third->localPort()));
    EXPECT_EQ(host.pictures.back(), SocketPicture::Connected);
}

TEST_F(CommandServerTest, FecharClosesTheListenerAndTheClient)
{
    EXPECT_TRUE(host.enabled[kIdCloseButton]);
    EXPECT_FALSE(host.enabled[kIdConnectButton]);
    EXPECT_TRUE(host.enabled[kIdSocketState]);
    EXPECT_EQ(host.pictures.back(), SocketPicture::Listening);

    auto client = Greeted();
    EXPECT_EQ(host.pictures.back(), SocketPicture::Connected);
    const int port = server->BoundPort();
    server->StopListening();
    EXPECT_EQ(ReadToEnd(*client), "");
    EXPECT_FALSE(server->IsListening());
    EXPECT_FALSE(server->IsClientConnected());
    EXPECT_EQ(host.pictures.back(), SocketPicture::Closed);
    EXPECT_FALSE(host.enabled[kIdCloseButton]);
    EXPECT_TRUE(host.enabled[kIdConnectButton]);

    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    ASSERT_TRUE(WaitFor([&] { return late.error() == QAbstractSocket::ConnectionRefusedError; }));
}

TEST_F(CommandServerTest, ReportsATakenPortAndRetriesItOnLigar)
{
    server->StopListening();
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::AnyIPv4, 0));
    host.port = holder.serverPort();
    host.pictures.clear();

    server->StartListening();
    EXPECT_FALSE(server->IsListening());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Orvane");
    EXPECT_EQ(host.messages[0].text, "Imposs\xEDvel de criar o porto - pode estar atribu\xED" "do.");
    EXPECT_TRUE(host.pictures.empty());
    EXPECT_TRUE(host.enabled[kIdCloseButton]);
    EXPECT_FALSE(host.enabled[kIdConnectButton]);

    // "Fechar" then "Ligar" tries the same port again, which is free by now.
    holder.close();
    server->StopListening();
    server->StartListening();
    EXPECT_TRUE(server->IsListening());
    EXPECT_EQ(server->BoundPort(), host.port);
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(CommandServerTest, AFailedAcceptLeavesTheServerFreeForTheNextClient)
{
    // An accept event with no connection behind it.
    server->OnClientAccept();
    EXPECT_FALSE(server->IsClientConnected());
    EXPECT_TRUE(host.connections.empty());
    EXPECT_EQ(host.pictures.back(), SocketPicture::Listening);

    auto client = Greeted();
    EXPECT_EQ(host.connections.size(), 1u);
}

TEST_F(CommandServerTest, ForwardsEachReceiveWholeToTheExternalCoder)
{
    host.externalCoder = true;
    auto client = Greeted();
    SendRaw(*client, "PI=C201\r\nTA=1 \r\n");
    ASSERT_TRUE(WaitFor([&] { return !host.coder.empty(); }));
    EXPECT_EQ(host.coder, std::vector<std::string>{"PI=C201\r\nTA=1"});
    EXPECT_TRUE(host.executed.empty());
    EXPECT_TRUE(host.log.empty());
}

TEST_F(CommandServerTest, ChecksTheAddressAndMaskEntriesWarningOnce)
{
    const struct {
        bool isMask;
        NetEntry entry;
        bool warns;
        std::array<int, 4> shown;
    } steps[] = {
        {false, {{192, 168, 1, 5}, true}, true, {192, 168, 1, 0}},
        {false, {{192, 168, 2, 7}, true}, false, {192, 168, 2, 0}},
        {true, {{255, 255, 255, 0}, true}, false, {}},
        {true, {{255, 255, 255, 255}, false}, false, {}},
        {true, {{255, 255, 255, 255}, true}, true, {}},
        {true, {{255, 255, 255, 255}, true}, false, {}},
    };
    for (const auto& s : steps) {
        const std::size_t before = host.messages.size();
        if (s.isMask) {
            server->OnNetMaskChanged(s.entry);
        } else {
            NetEntry shown;
            ASSERT_TRUE(server->OnNetAddressChanged(s.entry, shown));
            EXPECT_EQ(shown.fields, s.shown);
        }
        EXPECT_EQ(host.messages.size(), before + (s.warns ? 1 : 0));
    }
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, "Valor de rede incorrecto. o IP dever\xE1 terminar com X.X.X.0");
    EXPECT_EQ(host.messages[1].text, "Esse valor de rede n\xE3o permite comunica\xE7\xE3o!");

    NetEntry untouched;
    EXPECT_FALSE(server->OnNetAddressChanged({{10, 0, 0, 9}, false}, untouched));
}

}  // namespace
