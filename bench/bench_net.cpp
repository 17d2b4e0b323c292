// Speed of the command server over loopback: command lines per second, and the time from a
// client's send to the change in the model.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "BenchStation.h"
#include "CommandServer.h"
#include "RdsModel.h"

namespace {

// The controller's part, reduced to the real model and a counted log.
class BenchHost : public INetHost {
public:
    BenchHost() : model(clock) {}
    CommandResult ExecuteCommandLine(const std::string& line) override { return model.ExecuteCommand(line.c_str()); }
    void AddLogLine(const std::string&) override { ++logged; }
    void AddConnectionLine(const std::string&) override {}
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    std::string ApplicationName() override { return "Orvane"; }
    bool IsHardwareReady() override { return true; }
    std::string GetClockText() override { return "12:00:00"; }
    void GetClockTime(int& h, int& m, int& s) override { h = m = s = 0; }
    void SetSocketPicture(SocketPicture) override {}
    void EnableControl(int, bool) override {}
    int GetPort() override { return 0; }
    bool IsExternalCoder() override { return false; }
    void SendToCoder(const std::string&) override {}
    void SetNextUpdateText(const std::string&) override {}
    std::string FindWorkingFile(const std::string&) override { return {}; }

    CFixedClock clock{CFixedClock::FromLocal(2026, 1, 1, 12, 0, 0, 0)};
    CRdsModel model;
    long logged = 0;
};

// A served client on a non-blocking plain socket, already past its greeting and in line mode.
class Session {
public:
    Session() {
        App();
        server.StartListening();
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(server.BoundPort()));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        while (!server.IsClientConnected()) QCoreApplication::processEvents();
        Write("\r\n");
    }
    ~Session() { ::close(fd); }

    // Writes everything, letting the server run whenever the socket is full.
    void Write(const std::string& bytes) {
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + pos, bytes.size() - pos, MSG_NOSIGNAL);
            if (n > 0) pos += static_cast<std::size_t>(n);
            else QCoreApplication::processEvents();
        }
    }

    BenchHost host;
    CCommandServer server{host};
    int fd = -1;
};

void BM_CommandLinesPerSecond(benchmark::State& state) {
    Session session;
    const int batch = static_cast<int>(state.range(0));
    std::string bytes;
    for (int i = 0; i < batch; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "PI=%04X\r\n", 0xC000 + i);
        bytes += line;
    }
    long lines = 0;
    for (auto _ : state) {
        const long target = session.host.logged + batch;
        session.Write(bytes);
        while (session.host.logged < target) QCoreApplication::processEvents();
        lines += batch;
    }
    state.SetItemsProcessed(lines);
}
BENCHMARK(BM_CommandLinesPerSecond)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_SendToModelChange(benchmark::State& state) {
    Session session;
    uint16_t pi = 0x1000;
    for (auto _ : state) {
        ++pi;
        char line[32];
        std::snprintf(line, sizeof line, "PI=%04X\r\n", pi);
        session.Write(line);
        while (session.host.model.Station().Pi() != pi) QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_SendToModelChange)->Unit(benchmark::kMicrosecond);

}  // namespace
