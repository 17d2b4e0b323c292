#include <QElapsedTimer>
#include <QTimer>
#include <netinet/in.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <random>

#include "FakeNetHost.h"

TEST(NetLoad, TwentyThousandLinesRunOnceInOrderWithTheTickAliveAndFiftyClientsLeaveNoSocketBehind) {
    FakeNetHost host;  // its line wait never runs out: every line ends with CR LF
    CCommandServer server(host, &host);
    server.StartListening();
    host.log.clear();  // the port the system chose
    std::string payload;
    Lines expected, expectedLog;
    for (int i = 0; i < 20000; ++i) payload += expected.emplace_back("TEXT=line " + std::to_string(i)) + "\r\n";
    for (const auto& line : expected) expectedLog.push_back(line + " - OK");
    // A plain blocking client on a thread of its own, so it writes as fast as the kernel takes it. Its socket
    // stays open until the server is done: closing it with the greeting unread would reset the connection.
    auto flood = std::async(std::launch::async, [&payload, port = server.BoundPort()] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in addr{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
        ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        std::mt19937 rng(7);
        std::uniform_int_distribution<std::size_t> chunk(1, 3000);
        // The first write is a whole line, so the connection is known to send line ends.
        for (std::size_t pos = 0, n = payload.find('\n') + 1; pos < payload.size(); pos += n, n = chunk(rng)) {
            n = std::min(n, payload.size() - pos);
            if (::send(fd, payload.data() + pos, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) break;
        }
        ::shutdown(fd, SHUT_WR);
        return fd;
    });
    // The event loop must never stall for a tick period while the flood is handled.
    QElapsedTimer sinceBeat;
    qint64 longestGap = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceBeat.restart()); });
    sinceBeat.start();
    beat.start(100);
    const auto flooded = [&] { return flood.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
    ASSERT_TRUE(QTest::qWaitFor(flooded, 120000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.connections.size() == 1 && !server.IsClientConnected(); }));
    ::close(flood.get());
    EXPECT_LT(std::max(longestGap, sinceBeat.elapsed()), 1000) << "a tick would have been missed";
    EXPECT_TRUE(host.executed == expected && host.log == expectedLog) << host.executed.size() << " lines run";

    const auto openFiles = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto before = openFiles();  // after the first client, so what Qt keeps open for itself is counted
    std::vector<QTcpSocket> crowd(50);
    for (auto& s : crowd) s.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(server.BoundPort()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.IsClientConnected(); }));
    crowd.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.IsListening() && !server.IsClientConnected(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(openFiles(), before);
}

// The sockets deliver their events through a Qt event loop, so one application object lives for the whole run.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
