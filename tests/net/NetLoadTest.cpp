#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "CommandServer.h"
#include "FakeNetHost.h"

namespace {

int OpenDescriptors()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// A plain blocking client on its own thread, so it writes as fast as the kernel takes it.
void FloodClient(int port, const std::string& payload, unsigned seed, std::atomic<bool>& done)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<std::size_t> chunk(1, 3000);
        // The first write holds a whole line, so the connection is known to send line ends.
        std::size_t pos = payload.find('\n') + 1;
        ::send(fd, payload.data(), pos, MSG_NOSIGNAL);
        while (pos < payload.size()) {
            const std::size_t n = std::min(chunk(rng), payload.size() - pos);
            const ssize_t sent = ::send(fd, payload.data() + pos, n, MSG_NOSIGNAL);
            if (sent <= 0)
                break;
            pos += static_cast<std::size_t>(sent);
        }
        ::shutdown(fd, SHUT_WR);
        char sink[4096];
        while (::recv(fd, sink, sizeof sink, 0) > 0) {
        }
    }
    ::close(fd);
    done = true;
}

TEST(NetLoad, TwentyThousandLinesInRandomChunksRunOnceAndInOrder)
{
    constexpr int kLines = 20000;
    FakeNetHost host;
    FakeLineTimer timer;  // never runs out: every line here ends with CR LF
    CCommandServer server(host, &timer);
    server.StartListening();
    ASSERT_TRUE(server.IsListening());

    std::string payload;
    std::vector<std::string> expected;
    for (int i = 0; i < kLines; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "TEXT=line %05d", i);
        expected.emplace_back(line);
        payload += expected.back() + "\r\n";
    }

    // The event loop must never stall for a tick period while the flood is handled.
    QElapsedTimer clock;
    qint64 lastBeat = 0, longestGap = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, &beat, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastBeat);
        lastBeat = clock.elapsed();
    });
    clock.start();
    beat.start(100);

    std::atomic<bool> done{false};
    std::thread client(FloodClient, server.BoundPort(), std::cref(payload), 7u, std::ref(done));
    const bool finished = WaitFor([&] { return done.load(); }, 120000);
    client.join();
    ASSERT_TRUE(finished);
    ASSERT_TRUE(WaitFor([&] { return !server.IsClientConnected(); }));
    longestGap = std::max(longestGap, clock.elapsed() - lastBeat);

    ASSERT_EQ(host.executed.size(), expected.size());
    EXPECT_TRUE(host.executed == expected);
    EXPECT_EQ(host.log.size(), expected.size());
    EXPECT_EQ(std::count_if(host.log.begin(), host.log.end(),
                            [](const std::string& l) { return l.size() > 5 && l.substr(l.size() - 5) == " - OK"; }),
              kLines);
    EXPECT_LT(longestGap, 1000) << "a tick would have been missed";
}

TEST(NetLoad, FiftyClientsAtOnceLeaveNoSocketBehind)
{
    FakeNetHost host;
    FakeLineTimer timer;
    auto round = [&](int clients) {
        CCommandServer server(host, &timer);
        server.StartListening();
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int i = 0; i < clients; ++i) {
            sockets.push_back(std::make_unique<QTcpSocket>());
            sockets.back()->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(server.BoundPort()));
        }
        EXPECT_TRUE(WaitFor([&] { return server.IsClientConnected(); }));
        sockets.clear();
        EXPECT_TRUE(WaitFor([&] { return server.IsListening() && !server.IsClientConnected(); }));
        server.StopListening();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    round(1);  // Qt opens some descriptors of its own on first use
    const int before = OpenDescriptors();
    round(50);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_GE(host.connections.size(), 2u);
}

}  // namespace
