#pragma once
// The read-only status page over HTTP: Listen once, then Publish a snapshot every tick.
// GET / gives the HTML page, GET /status.json the same as JSON; nothing else is served.
//
// Every connection passes a guard that reads the request head first (431 past 8 KB, 400 when
// it cannot be read) before the HTTP library takes it; one request per connection.

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QThread>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "RequestHead.h"
#include "StatusSnapshot.h"

class QHttpServer;
class QTcpSocket;

// Holds each connection until its request head is whole and sound, then hands it on.
class CRequestGuard : public QTcpServer {
public:
    static constexpr int kHeadTimeoutMs = 10000;  // a client that never ends its head
    static constexpr int kMaxConnections = 512;   // open at once; more are closed at once
    static constexpr int kBacklog = 256;          // connections the kernel holds before we accept

    explicit CRequestGuard(QObject* parent = nullptr);
    [[nodiscard]] int OpenConnections() const { return m_open; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void Inspect(QTcpSocket* socket);
    void Refuse(QTcpSocket* socket, int status, const char* reason);
    void HandOver(QTcpSocket* socket, std::size_t headBytes);

    std::atomic<int> m_open = 0;
};

struct StatusListenResult {
    bool ok = false;
    int port = 0;       // the port bound, when ok
    std::string error;  // why not, when not
};

// Serves from a thread of its own, so that no crowd of browsers delays the tick or a sync;
// the controller's thread only hands over snapshots.
class CStatusServer {
public:
    CStatusServer();
    ~CStatusServer();
    CStatusServer(const CStatusServer&) = delete;
    CStatusServer& operator=(const CStatusServer&) = delete;

    // address: an IPv4 or IPv6 literal; port 0 lets the system choose (tests). Once only.
    [[nodiscard]] StatusListenResult Listen(const std::string& address, int port);
    // Taken as it is; the pages are made from it when first asked for.
    void Publish(StatusSnapshot snapshot);
    [[nodiscard]] int OpenConnections() const { return m_guard ? m_guard->OpenConnections() : 0; }

private:
    // Run on the server's thread.
    [[nodiscard]] StatusListenResult ListenHere(const QHostAddress& host, quint16 port);
    [[nodiscard]] QByteArray Html();
    [[nodiscard]] QByteArray Json();
    void Stop();

    QThread m_thread;
    std::unique_ptr<QObject> m_home;   // lives in m_thread; the HTTP server is its child
    CRequestGuard* m_guard = nullptr;  // owned by the HTTP server once bound

    std::mutex m_mutex;  // guards the snapshot and the pages made from it
    StatusSnapshot m_snapshot;
    std::optional<QByteArray> m_html;  // made from m_snapshot on demand
    std::optional<QByteArray> m_json;
};
