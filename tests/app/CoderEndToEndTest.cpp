// The real orvane-server in the older mode on a copy of the demo station, its serial coder
// link on one end of a pseudo-terminal pair: a line from a TCP client must come out at the
// other end, where this test plays the encoder and echoes each character.

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ServerFixture.h"

namespace {

// Reads the master end and echoes every byte until it has seen wanted or stop is set.
std::string PlayEncoder(int master, const std::string& wanted, const std::atomic<bool>& stop) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (got.find(wanted) == std::string::npos && !stop && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 50) <= 0 || (ready.revents & POLLIN) == 0) continue;
        char bytes[64];
        const ssize_t n = ::read(master, bytes, sizeof bytes);
        if (n <= 0) continue;
        got.append(bytes, static_cast<std::size_t>(n));
        EXPECT_EQ(::write(master, bytes, static_cast<std::size_t>(n)), n);
    }
    return got;
}

// Collects the server's stdout until pattern matches; the capture, or empty on a bound.
std::string AwaitOutput(QProcess& server, std::string& output, const QRegularExpression& pattern) {
    for (int waits = 0; waits < 600; ++waits) {
        const QRegularExpressionMatch match = pattern.match(QString::fromStdString(output));
        if (match.hasMatch()) return match.captured(1).toStdString();
        if (server.state() == QProcess::NotRunning) break;
        server.waitForReadyRead(100);
        output += server.readAllStandardOutput().toStdString();
    }
    return {};
}

}  // namespace

using CoderEndToEnd = ServerFixture;

TEST_F(CoderEndToEnd, ClientLineReachesTheEncoderOnATtyThatEchoesIt) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    std::filesystem::copy(ORVANE_DEMO_DIR, dir);
    std::filesystem::remove(dir + "/eeprom.sim");
    std::ofstream(dir + "/DEF.INI", std::ios::app) << "\n" << QUIET_PORT << "[RDS]USEEXTERNALCODER\n";

    const std::string expected = "RDS Server is on line.\rPI=C201\rTA=1";
    std::atomic<bool> stop{false};
    std::string atEncoder;
    std::thread encoder([&] { atEncoder = PlayEncoder(master, expected, stop); });

    QProcess server;
    server.start(ORVANE_SERVER_BINARY, {"--headless", "--dir", QString::fromStdString(dir), "--coder",
                                        QString::fromStdString(std::string("tty:") + name)});
    std::string output;
    const std::string port = AwaitOutput(server, output, QRegularExpression("escuta no porto (\\d+)\\."));
    EXPECT_FALSE(port.empty()) << output << server.readAllStandardError().toStdString();
    if (!port.empty()) {
        QTcpSocket client;
        client.connectToHost("127.0.0.1", static_cast<quint16>(std::stoi(port)));
        EXPECT_TRUE(client.waitForConnected(10000));
        client.write("PI=C201\nTA=1\r\n");
        EXPECT_TRUE(client.waitForBytesWritten(10000));
        encoder.join();
    } else {
        stop = true;
        encoder.join();
    }
    EXPECT_EQ(atEncoder, expected);

    ::kill(static_cast<pid_t>(server.processId()), SIGTERM);
    EXPECT_TRUE(server.waitForFinished(60000));
    output += server.readAllStandardOutput().toStdString();
    EXPECT_EQ(std::pair(server.exitStatus(), server.exitCode()), std::pair(QProcess::NormalExit, 0));
    // The older mode is on, names its tty, and the line was not run by the server itself.
    EXPECT_NE(output.find("[log] Envio de comandos em porta SERIE ( modo antigo )\n"), std::string::npos);
    EXPECT_NE(output.find(std::string("Codificador: tty:") + name), std::string::npos);
    EXPECT_EQ(output.find("PI=C201"), std::string::npos) << output;
    ::close(slave);
    ::close(master);
}
