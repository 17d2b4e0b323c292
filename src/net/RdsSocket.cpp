#include "RdsSocket.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace {

// A peer that vanished without a word (cable pulled, host off) is found within about 90 s,
// so it cannot hold the one client slot for good.
constexpr int kKeepIdleSeconds = 60;
constexpr int kKeepIntervalSeconds = 10;
constexpr int kKeepProbes = 3;
// What a waiting client may have read for it ahead of its turn; the rest stays with the
// kernel, so 64 waiting clients cannot fill the memory.
constexpr qint64 kWaitingReadLimit = qint64{64} * 1024;

void SetKeepAlive(QTcpSocket& socket) {
    const auto fd = static_cast<int>(socket.socketDescriptor());
    if (fd < 0) return;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleSeconds, sizeof kKeepIdleSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalSeconds, sizeof kKeepIntervalSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepProbes, sizeof kKeepProbes);
}

}  // namespace

CRdsSocket::CRdsSocket() = default;

CRdsSocket::~CRdsSocket() {
    // A socket torn down while connecting or connected must not call back into an owner
    // that may itself be going away.
    Unwire();
}

bool CRdsSocket::Listen(int port, int backlog) {
    Close();
    m_server.reset();
    if (port < 0 || port > 65535) return false;
    auto server = std::make_unique<QTcpServer>();
    server->setListenBacklogSize(backlog);
    server->setMaxPendingConnections(backlog);
    if (!server->listen(QHostAddress::AnyIPv4, static_cast<quint16>(port))) return false;
    m_maxWaiting = static_cast<std::size_t>(backlog);
    m_links.push_back(QObject::connect(server.get(), &QTcpServer::newConnection, server.get(), [this] {
        TakePending();
        if (m_commandOwner) m_commandOwner->OnClientAccept();
    }));
    m_server = std::move(server);
    return true;
}

int CRdsSocket::LocalPort() const { return (m_server && m_server->isListening()) ? m_server->serverPort() : 0; }

bool CRdsSocket::Accept(CRdsSocket& into) {
    if (!m_server || !m_server->isListening()) return false;
    if (m_waiting.empty()) return false;
    QTcpSocket* raw = m_waiting.front().release();
    m_waiting.pop_front();
    into.Close();
    into.DropSocket();
    into.m_socket.reset(raw);
    raw->setReadBufferSize(0);
    into.m_connectDone = true;
    into.Wire(*raw);

    // Bytes or a close that arrived while the connection waited raised signals nobody saw;
    // replay them once the accept handler has finished.
    CRdsSocket* target = &into;
    auto stillOurs = [target, raw] { return target->m_socket.get() == raw && !target->m_links.empty(); };
    if (raw->bytesAvailable() > 0) {
        QMetaObject::invokeMethod(
            raw,
            [target, stillOurs] {
                if (stillOurs() && target->m_commandOwner) target->m_commandOwner->OnClientReceive();
            },
            Qt::QueuedConnection);
    }
    if (raw->state() != QAbstractSocket::ConnectedState) {
        QMetaObject::invokeMethod(
            raw,
            [target, stillOurs] {
                if (stillOurs() && target->m_commandOwner) target->m_commandOwner->OnClientClose();
            },
            Qt::QueuedConnection);
    }
    return true;
}

int CRdsSocket::Receive(char* buffer, int maxBytes) {
    if (!m_socket || maxBytes <= 0) return -1;
    const qint64 n = m_socket->read(buffer, maxBytes);
    return n < 0 ? -1 : static_cast<int>(n);
}

int64_t CRdsSocket::BytesAvailable() const { return m_socket ? m_socket->bytesAvailable() : 0; }

int CRdsSocket::Send(const char* data, int length) {
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) return -1;
    return static_cast<int>(m_socket->write(data, length));
}

int64_t CRdsSocket::UnsentBytes() {
    if (!m_socket) return 0;
    m_socket->flush();
    int queued = 0;
    const auto fd = static_cast<int>(m_socket->socketDescriptor());
    if (fd < 0 || ::ioctl(fd, SIOCOUTQ, &queued) != 0) queued = 0;
    return m_socket->bytesToWrite() + queued;
}

bool CRdsSocket::PeerAddress(std::string& address, int& port) const {
    if (!m_socket) return false;
    bool isIpv4 = false;
    const quint32 ip = m_socket->peerAddress().toIPv4Address(&isIpv4);
    if (!isIpv4) return false;
    address = std::to_string((ip >> 24) & 0xFF) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
              std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF);
    port = m_socket->peerPort();
    return true;
}

void CRdsSocket::Connect(uint32_t ipv4, uint16_t port) {
    Close();
    DropSocket();
    m_socket = std::make_unique<QTcpSocket>();
    m_connectDone = false;
    Wire(*m_socket);
    // An address, never a name: nothing here may reach a resolver.
    m_socket->connectToHost(QHostAddress(ipv4), port);
}

void CRdsSocket::Close() {
    Unwire();
    if (m_server) m_server->close();
    for (auto& waiting : m_waiting) waiting->abort();
    m_waiting.clear();
    if (m_socket) m_socket->close();
}

bool CRdsSocket::IsOpen() const {
    if (m_server) return m_server->isListening();
    return m_socket && m_socket->state() != QAbstractSocket::UnconnectedState;
}

void CRdsSocket::Wire(QTcpSocket& socket) {
    Unwire();
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
        if (m_commandOwner) m_commandOwner->OnClientReceive();
    }));
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::disconnected, &socket, [this] {
        if (m_commandOwner) m_commandOwner->OnClientClose();
    }));
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::connected, &socket, [this] {
        m_connectDone = true;
        if (m_timeOwner) m_timeOwner->OnTimeConnect();
    }));
    m_links.push_back(
        QObject::connect(&socket, &QTcpSocket::errorOccurred, &socket, [this](QAbstractSocket::SocketError error) {
            // A peer that hangs up after reading is no failed connect.
            if (m_connectDone) return;
            m_connectDone = true;
            if (m_timeOwner) m_timeOwner->OnTimeConnectFailed(static_cast<int>(error));
        }));
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, [this](qint64) {
        if (m_timeOwner) m_timeOwner->OnTimeSendReady();
    }));
}

void CRdsSocket::Unwire() {
    for (auto& link : m_links) QObject::disconnect(link);
    m_links.clear();
}

void CRdsSocket::TakePending() {
    // Taken out of Qt's queue at once, so its limit never stalls the accepting; the ones
    // that wait are read meanwhile, so what they send before their turn is kept.
    while (QTcpSocket* raw = m_server->nextPendingConnection()) {
        raw->setParent(nullptr);
        std::unique_ptr<QTcpSocket> socket(raw);
        if (m_waiting.size() >= m_maxWaiting) {
            socket->abort();
            continue;
        }
        SetKeepAlive(*socket);
        socket->setReadBufferSize(kWaitingReadLimit);
        m_waiting.push_back(std::move(socket));
    }
}

void CRdsSocket::DropSocket() {
    // The old connection may be the one whose signal is being handled right now.
    if (m_socket) m_socket.release()->deleteLater();
}
