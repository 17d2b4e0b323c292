#pragma once
// The one socket class of the server: listener, command connection or time-packet sender.
// Events come as Qt signals on the one thread and are routed to whichever owner is set.

#include <QMetaObject>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class QTcpServer;
class QTcpSocket;

// Receives the events of the command-server role.
class ICommandOwner {
public:
    virtual ~ICommandOwner() = default;
    virtual void OnClientAccept() = 0;
    virtual void OnClientReceive() = 0;
    virtual void OnClientClose() = 0;
};

// Receives the events of the time-client role.
class ITimeOwner {
public:
    virtual ~ITimeOwner() = default;
    virtual void OnTimeConnect() = 0;
    virtual void OnTimeConnectFailed(int errorCode) = 0;
    virtual void OnTimeSendReady() = 0;
};

class CRdsSocket {
public:
    CRdsSocket();
    ~CRdsSocket();
    CRdsSocket(const CRdsSocket&) = delete;
    CRdsSocket& operator=(const CRdsSocket&) = delete;

    void SetCommandOwner(ICommandOwner* owner) { m_commandOwner = owner; }
    void SetTimeOwner(ITimeOwner* owner) { m_timeOwner = owner; }

    // Listener role: binds the port on every IPv4 address and listens. False when it cannot.
    // Up to `backlog` accepted connections wait their turn here; any beyond are closed at once.
    bool Listen(int port, int backlog);
    // The port actually bound; 0 when not listening.
    [[nodiscard]] int LocalPort() const;
    // Takes the oldest waiting connection into `into`. False when none could be taken.
    bool Accept(CRdsSocket& into);
    // Accepted connections not yet taken, including those whose peer has gone since.
    [[nodiscard]] int WaitingCount() const { return static_cast<int>(m_waiting.size()); }

    // Connection role. Receive gives the byte count, or -1 when the socket cannot be read.
    int Receive(char* buffer, int maxBytes);
    [[nodiscard]] int64_t BytesAvailable() const;
    int Send(const char* data, int length);
    // Bytes sent that the peer has not yet taken: those still held here after handing the
    // system all it takes now, and those in the system's send queue.
    [[nodiscard]] int64_t UnsentBytes();
    // The peer's dotted IPv4 address and port; false when there is no peer.
    bool PeerAddress(std::string& address, int& port) const;

    // Time-client role: starts connecting to an IPv4 address given as a 32-bit number.
    void Connect(uint32_t ipv4, uint16_t port);

    // Ends the listener or the connection without raising any event of our own.
    void Close();
    [[nodiscard]] bool IsOpen() const;

private:
    void Wire(QTcpSocket& socket);
    void Unwire();
    void TakePending();
    void DropSocket();

    ICommandOwner* m_commandOwner = nullptr;
    ITimeOwner* m_timeOwner = nullptr;
    std::unique_ptr<QTcpServer> m_server;
    std::unique_ptr<QTcpSocket> m_socket;
    std::deque<std::unique_ptr<QTcpSocket>> m_waiting;
    std::size_t m_maxWaiting = 0;
    std::vector<QMetaObject::Connection> m_links;
    bool m_connectDone = false;  // errors after the connection was made are not connect failures
};
