#include <QTcpServer>

#include "FakeNetHost.h"

using namespace std::string_literals;

class CommandServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.StartListening();
        // Nobody chose the port, so the one the system gave is logged; later listeners keep it quietly.
        EXPECT_EQ(host.log,
                  Lines{"Servidor de comandos \xE0 escuta no porto " + std::to_string(server.BoundPort()) + "."});
        host.log.clear();
        host.port = server.BoundPort();
    }
    // A client that was accepted and has read its whole greeting, written out here byte for byte.
    std::unique_ptr<QTcpSocket> Greeted() {
        auto client = ConnectClient(server.BoundPort());
        ExpectGreeting(*client);
        return client;
    }
    void ExpectGreeting(QTcpSocket& client) {
        const std::string connection = "12:34:56 # 127.0.0.1 @ " + std::to_string(client.localPort());
        const std::string expected =
            "Orvane Server versao 5.0\n\rRelease date 01-Julho-2002\n\rCOMSER / DIRECT RDS ACCESS ( X24C32 ) / "
            "TIMESERVER\n\r\n\rDireitos de autor: Orvane Sistemas de Radiodifusao.\n\rTodos os direitos reservados."
            "\n\r\n\r\n\aSTATUS :" +
            (host.hardwareReady ? "READY."s
                                : "ERROR CONECTING EXTERNAL INTERFACE. -\n\rTem de reiniciar o ORVANE no "
                                  "servidor para verificar as ligacoes.\n\r") +
            "\n\rYOUR SOCKET ADDRESS/CONNECTION: " + connection + "\n\r";
        EXPECT_TRUE(QTest::qWaitFor([&] { return client.bytesAvailable() >= std::ssize(expected); }));
        EXPECT_EQ(client.readAll().toStdString(), expected);
        EXPECT_TRUE(server.IsClientConnected() && host.picture == SocketPicture::Connected);
        EXPECT_EQ(host.connections.empty() ? std::string() : host.connections.back(), connection);
    }
    bool WaitIdle() {
        return QTest::qWaitFor([&] { return server.IsListening() && !server.IsClientConnected(); });
    }

    FakeNetHost host;
    FakeTimer retry, idle;
    CCommandServer server{host, CommandTimers{&host, &retry, &idle}};
};

TEST_F(CommandServerTest, ServesOneClientItReallyHoldsSendsNothingBackAndFecharClosesAll) {
    EXPECT_EQ(host.picture, SocketPicture::Listening);
    EXPECT_EQ(host.enabled, (Controls{{kIdConnectButton, false}, {kIdSocketState, true}, {kIdCloseButton, true}}));
    server.OnClientAccept();  // an accept event with no connection behind it
    EXPECT_FALSE(server.IsClientConnected());
    auto first = Greeted();
    auto third = ConnectClient(server.BoundPort());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.WaitingClients() == 1; }));
    EXPECT_TRUE(third->bytesAvailable() == 0 && host.connections.size() == 1);  // waits its turn, not yet greeted
    host.hardwareReady = true;  // the other greetings are with the hardware in error
    first->disconnectFromHost();
    ExpectGreeting(*third);
    EXPECT_EQ(host.connections.size(), 2u);
    SendRaw(*third, "TA=1\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host.log.empty(); }));
    EXPECT_EQ(host.log, Lines{"TA=1 - OK"});
    host.externalCoder = true;  // the older mode takes each receive whole, and runs nothing itself
    SendRaw(*third, "PI=C201\r\nTA=1 \r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host.coder.empty(); }));
    EXPECT_TRUE(host.coder == Lines{"PI=C201\r\nTA=1"} && host.log.size() == 1 && host.executed.size() == 1);
    const int port = server.BoundPort();
    server.StopListening();
    EXPECT_EQ(ReadToEnd(*third), "");  // nothing was sent back
    EXPECT_FALSE(server.IsListening() || server.IsClientConnected() || host.picture != SocketPicture::Closed);
    EXPECT_EQ(host.enabled, (Controls{{kIdConnectButton, true}, {kIdSocketState, true}, {kIdCloseButton, false}}));
    // The listener is gone: someone else can take its port, and "Ligar" then finds it taken.
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    host.port = port;
    server.StartListening();
    EXPECT_FALSE(server.IsListening() || host.picture != SocketPicture::Closed);
    EXPECT_EQ(host.messages, Lines{"Orvane: Imposs\xEDvel de criar o porto - pode estar atribu\xED"
                                   "do."});
    EXPECT_TRUE(host.enabled[kIdCloseButton] && !host.enabled[kIdConnectButton]);
    holder.close();
    host.port = port + 65536;  // out of range, not the free port it would wrap to
    server.StartListening();
    EXPECT_EQ(host.messages.size(), 2u);
    host.port = port;
    server.StartListening();
    EXPECT_EQ(server.BoundPort(), port);
    EXPECT_EQ(host.messages.size(), 2u);
}

// One client per row; bare rows come last, as each new client must start without the last one's line ends. A piece
// held back (the last line of its row) runs on the 200 ms time-out ('t'), on "Fechar" ('f') or when the peer closes.
TEST_F(CommandServerTest, RunsEveryLineOnceWholeAndTrimmed) {
    const std::string A(3000, 'A'), C(2100, 'C');
    const struct {
        Lines writes, log;
        bool held;
        char end;
    } cases[] = {
        // Lines of one write in order, trailing blanks and high bytes gone; a line dribbled byte by byte.
        {{"PI=C201\r\nXYZ\r\nTA=1   \r\nPSN=\xC9T\xC9\r\nPSN=A\xFF\x80 \t\r\n"},
         {"PI=C201 - OK", "XYZ - ERROR", "TA=1 - OK", "PSN=\xC9T - OK", "PSN=A - OK"},
         false,
         'f'},
        {{"TA=1\r\n", "P", "I", "=", "C", "2", "0", "1", "\r", "\n"}, {"TA=1 - OK", "PI=C201 - OK"}, false, 't'},
        // A zero byte and any line ends; a line over the buffer, sent whole or held back.
        {{"TA=1\0XY\n\r  TA=1 \n \r\n\t\x01\rPS=X\r"s},
         {"TA=1 - OK", "  TA=1 - OK", " - ERROR", " - ERROR", "PS=X - OK"},
         false,
         'c'},
        {{"\n" + A + "\n"}, {A.substr(0, 2047) + " - ERROR", A.substr(2047) + " - ERROR"}, false, 'c'},
        {{"\n", C}, {C.substr(0, 2047) + " - ERROR", C.substr(2047) + " - ERROR"}, true, 't'},
        // A trailing piece held; a bare piece held once line ends were seen; bare writes kept apart, blank or not.
        {{"TA=1\r\nENC"}, {"TA=1 - OK", "ENC - ERROR"}, true, 'c'},
        {{"\n", "ENCODE \xE9"}, {"ENCODE - OK"}, true, 'f'},
        {{"PI=C201", "  ", "ENCODE \xE9"}, {"PI=C201 - OK", " - ERROR", "ENCODE - OK"}, false, 't'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.writes.back().substr(0, 30));
        host.log.clear();
        auto client = Greeted();
        for (const auto& write : c.writes) {
            const int before = host.timerCalls;
            SendRaw(*client, write);
            ASSERT_TRUE(QTest::qWaitFor([&] { return host.timerCalls > before; }));  // taken as a receive of its own
        }
        EXPECT_EQ(host.log.size() + c.held, c.log.size());
        EXPECT_EQ(host.armed, c.held);
        if (c.end == 't') server.OnLineTimeout();
        if (c.end == 'f') server.StopListening();
        client.reset();
        server.StartListening();  // "Ligar" after "Fechar"; no change to a listener that is up
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(host.log, c.log);  // the lines before the end, in order; a held piece once, last
    }
}

// A message box inside a command runs the event loop: Qt does not signal new bytes again
// while their handler runs, so lines and the close arrive together and the close must read them.
TEST_F(CommandServerTest, LinesThatArriveTogetherWithTheCloseAllRun) {
    auto client = Greeted();
    host.onExecute = [&](const std::string& line) {
        if (line != "TA=1") return;
        SendRaw(*client, "PI=C201\r\nENCODE\r\nPS=HELD");
        client->disconnectFromHost();
        QTest::qWait(100);
    };
    SendRaw(*client, "TA=1\r\n");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(host.executed, (Lines{"TA=1", "PI=C201", "ENCODE", "PS=HELD"}));
    // The first line is logged when its command returns, after those run inside it.
    EXPECT_EQ(host.log, (Lines{"PI=C201 - OK", "ENCODE - OK", "PS=HELD - OK", "TA=1 - OK"}));
}

TEST_F(CommandServerTest, ATakenPortIsTriedAgainUntilItIsFreeAndSaidOnceWhenListening) {
    server.StopListening();
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
    host.port = holder.serverPort();
    server.StartListening();
    EXPECT_TRUE(!server.IsListening() && retry.armed && host.messages.size() == 1);
    server.OnListenRetry();  // still held: tried quietly, and again later
    EXPECT_TRUE(!server.IsListening() && retry.armed && host.messages.size() == 1 && host.log.empty());
    holder.close();
    server.OnListenRetry();
    EXPECT_TRUE(server.IsListening() && !retry.armed && server.BoundPort() == host.port);
    EXPECT_EQ(host.log, Lines{"Servidor de comandos \xE0 escuta no porto " + std::to_string(host.port) + "."});
    EXPECT_EQ(host.picture, SocketPicture::Listening);
    Greeted();               // and it serves
    server.StopListening();  // "Fechar" while a retry waits ends the retrying too
    holder.listen(QHostAddress::LocalHost, static_cast<quint16>(host.port));
    server.StartListening();
    server.StopListening();
    EXPECT_FALSE(retry.armed);
}

// Receives without a CR or LF, each of a client's own; only a second command run into the first is warned about.
TEST(RunTogether, TextAfterTheFirstValueOfABareReceive) {
    const struct {
        std::string receive;
        bool warned;
    } cases[] = {
        {"PSN=\"BARE\"ENCODE", true}, {"TXT0=\"NEWS\"TA=1", true},
        {"PI=C201ENCODE", true},      {"TA=1TP=1", true},
        {"PI=C201PSN=\"X\"", true},   {"PSN=\"BARE\"  \r", false},
        {"PSN=\"A=B C\"", false},     {"PSN=\"OPEN", false},
        {"PSN=BARE", false},          {"PI=C201", false},
        {"AFDEF=1,5A", false},        {"ENCODE", false},
        {"ENCODEPSN=\"X\"", false},   {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(HasTextAfterFirstValue(c.receive), c.warned) << c.receive;
}

TEST_F(CommandServerTest, TwoBareCommandsInOneReceiveRunAsOneLineWithOneWarning) {
    const std::string warning =
        "Aviso: comando sem fim de linha (CR ou LF) com texto depois do valor; corre tudo como uma s\xF3 linha.";
    auto client = Greeted();
    SendRaw(*client, "PSN=\"BARE\"ENCODE");
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == 1; }));
    SendRaw(*client, "PI=C201");
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == 2; }));
    SendRaw(*client, "TA=1\r\nTA=1TP=1\r\n");  // with line ends each line is the client's own doing
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.executed.size() == 4; }));
    EXPECT_EQ(host.log, (Lines{warning, "PSN=\"BARE\"ENCODE - OK", "PI=C201 - OK", "TA=1 - OK", "TA=1TP=1 - OK"}));
}

// Takes nothing on the accept event, so the connection waits in the listener's queue.
struct LateOwner : ICommandOwner {
    void OnClientAccept() override {}
    void OnClientReceive() override { received.append(buffer, std::max(0, connection.Receive(buffer, sizeof buffer))); }
    void OnClientClose() override { ++closes; }
    CRdsSocket connection;
    int closes = 0;
    char buffer[64]{};
    std::string received;
};

TEST(RdsSocket, BytesAndACloseThatCameBeforeTheAcceptAreHandledAfterIt) {
    CRdsSocket listener;
    LateOwner owner;
    listener.SetCommandOwner(&owner);
    owner.connection.SetCommandOwner(&owner);
    ASSERT_TRUE(listener.Listen(0, 5));
    auto client = ConnectClient(listener.LocalPort());
    SendRaw(*client, "ENCODE");
    client->disconnectFromHost();
    QTest::qWait(100);  // the connection waits and takes in the bytes and the close, unheard
    EXPECT_TRUE(owner.received.empty());
    ASSERT_TRUE(listener.Accept(owner.connection));
    ASSERT_TRUE(QTest::qWaitFor([&] { return owner.closes == 1; }));
    EXPECT_EQ(owner.received, "ENCODE");
    EXPECT_FALSE(listener.Accept(owner.connection));  // nobody else was waiting
}

TEST_F(CommandServerTest, WarnsOnceEachAboutAHostAddressAndAMaskWithoutHosts) {
    const std::string address = "Orvane: Valor de rede incorrecto. o IP dever\xE1 terminar com X.X.X.0";
    const std::string mask = "Orvane: Esse valor de rede n\xE3o permite comunica\xE7\xE3o!";
    NetEntry shown;
    EXPECT_FALSE(server.OnNetAddressChanged({{10, 0, 0, 9}, false}, shown));  // still being typed
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(server.OnNetAddressChanged({{192, 168, 1, 5}, true}, shown));
    EXPECT_EQ(host.messages, Lines{address});
    EXPECT_TRUE(server.OnNetAddressChanged({{192, 168, 2, 7}, true}, shown));
    EXPECT_EQ(shown.fields, (std::array<int, 4>{192, 168, 2, 0}));
    EXPECT_EQ(host.messages, Lines{address});  // the second host address passes quietly
    server.OnNetMaskChanged({{255, 255, 255, 0}, true});
    server.OnNetMaskChanged({{255, 255, 255, 255}, false});
    EXPECT_EQ(host.messages, Lines{address});  // room for hosts, or not filled in yet
    server.OnNetMaskChanged({{255, 255, 255, 255}, true});
    server.OnNetMaskChanged({{255, 255, 255, 255}, true});
    EXPECT_EQ(host.messages, (Lines{address, mask}));
}
