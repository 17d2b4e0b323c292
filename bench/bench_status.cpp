// The status page under load: 200 clients open the page at once (from another thread, plain
// sockets) while the controller ticks every 50 ms with a sync every fifteenth tick and a PS
// change before each wave. Reported: how late the tick ran, and how long a page took.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "BenchStation.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClients = 200;
constexpr int kTickMs = 50;

// A port that was free a moment ago, for the status page, which listens only where it is told.
int FreePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) std::abort();
    return probe.serverPort();
}

struct Wave {
    std::vector<double> pageMs;  // per client, connect to the last byte
    int whole = 0;               // pages that arrived complete
};

struct Client {
    int fd = -1;
    std::string received;
    bool sent = false;
    bool done = false;
};

bool Whole(const std::string& raw) {
    const std::size_t headEnd = raw.find("\r\n\r\n");
    const std::size_t at = raw.find("Content-Length: ");
    if (headEnd == std::string::npos || at == std::string::npos || raw.rfind("HTTP/1.1 200", 0) != 0) return false;
    return std::stoul(raw.substr(at + 16)) == raw.size() - headEnd - 4;
}

// Every client connects at once, sends its GET when it can, and reads until the server closes.
Wave RunWave(int port) {
    static const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto start = Clock::now();
    std::vector<Client> clients(kClients);
    for (Client& c : clients) {
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(c.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    Wave wave;
    int open = kClients;
    const auto deadline = start + std::chrono::seconds(30);
    while (open > 0 && Clock::now() < deadline) {
        std::vector<pollfd> fds;
        for (const Client& c : clients) {
            fds.push_back({c.done ? -1 : c.fd, static_cast<short>(c.sent ? POLLIN : POLLOUT), 0});
        }
        ::poll(fds.data(), fds.size(), 100);
        for (std::size_t i = 0; i < clients.size(); ++i) {
            Client& c = clients[i];
            if (c.done || fds[i].revents == 0) continue;
            if (!c.sent) {
                c.sent = ::send(c.fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                         static_cast<ssize_t>(request.size());
                continue;
            }
            char buffer[65536];
            const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                c.received.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            c.done = true;
            --open;
            wave.pageMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            wave.whole += Whole(c.received) ? 1 : 0;
        }
    }
    for (Client& c : clients) ::close(c.fd);
    return wave;
}

void BM_TwoHundredClientsWhileTicking(benchmark::State& state) {
    App();
    BenchStation station("[RDS]WEBSTATUS=" + std::to_string(FreePort()) + "\n");
    if (station.dlg->StatusPort() == 0) std::abort();
    std::vector<double> lateness, pages;
    int whole = 0, asked = 0, waves = 0;
    for (auto _ : state) {
        // Each wave has something to write, so the syncs during it have work.
        station.dlg->ExecuteCommandLine(waves++ % 2 == 0 ? "PSN=\"ONDA|UM\"" : "PSN=\"ONDA|DOIS\"");
        station.dlg->ExecuteCommandLine("ENCODE");

        std::atomic<bool> finished{false};
        Wave wave;
        std::thread clients([&] {
            wave = RunWave(station.dlg->StatusPort());
            finished = true;
        });
        QElapsedTimer clock;
        clock.start();
        qint64 nextTick = kTickMs;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            lateness.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6 - static_cast<double>(nextTick));
            nextTick += kTickMs;
            station.dlg->OnTick();
        });
        tick.start(kTickMs);
        QEventLoop loop;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (finished) loop.quit();
        });
        watch.start(5);
        loop.exec();
        clients.join();
        whole += wave.whole;
        asked += kClients;
        pages.insert(pages.end(), wave.pageMs.begin(), wave.pageMs.end());
    }
    const auto mean = [](const std::vector<double>& v) {
        double sum = 0;
        for (const double x : v) sum += x;
        return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
    };
    const auto percentile = [](std::vector<double> v, double p) {
        if (v.empty()) return 0.0;
        std::sort(v.begin(), v.end());
        return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
    };
    state.counters["tick_late_mean_ms"] = mean(lateness);
    state.counters["tick_late_max_ms"] = lateness.empty() ? 0 : *std::max_element(lateness.begin(), lateness.end());
    state.counters["page_median_ms"] = percentile(pages, 0.5);
    state.counters["page_p95_ms"] = percentile(pages, 0.95);
    state.counters["page_max_ms"] = percentile(pages, 1.0);
    state.counters["pages_whole"] = asked == 0 ? 0 : static_cast<double>(whole) / asked;
}
BENCHMARK(BM_TwoHundredClientsWhileTicking)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
