#include "RdsSocket.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

CRdsSocket::CRdsSocket() = default;

CRdsSocket::~CRdsSocket()
{
    // A socket torn down while connecting or connected must not call back into an owner
    // that may itself be going away.
    Unwire();
}

bool CRdsSocket::Listen(int port, int backlog)
{
    Close();
    m_server.reset();
    if (port < 0 || port > 65535)
        return false;
    auto server = std::make_unique<QTcpServer>();
    server->setListenBacklogSize(backlog);
    if (!server->listen(QHostAddress::AnyIPv4, static_cast<quint16>(port)))
        return false;
    m_links.push_back(QObject::connect(server.get(), &QTcpServer::newConnection, server.get(),
                                       [this] {
                                           if (m_commandOwner)
                                               m_commandOwner->OnClientAccept();
                                       }));
    m_server = std::move(server);
    return true;
}

int CRdsSocket::LocalPort() const
{
    return (m_server && m_server->isListening()) ? m_server->serverPort() : 0;
}

bool CRdsSocket::Accept(CRdsSocket& into)
{
    if (!m_server || !m_server->isListening())
        return false;
    QTcpSocket* raw = m_server->nextPendingConnection();
    if (!raw)
        return false;
    // The listener is re-created after every client; the connection must not die with it.
    raw->setParent(nullptr);
    into.Close();
    into.m_socket.reset(raw);
    into.m_connectDone = true;
    into.Wire(*raw);

    // Bytes or a close that arrived while the connection waited raised signals nobody saw;
    // replay them once the accept handler has finished.
    CRdsSocket* target = &into;
    auto stillOurs = [target, raw] { return target->m_socket.get() == raw && !target->m_links.empty(); };
    if (raw->bytesAvailable() > 0) {
        QMetaObject::invokeMethod(raw, [target, stillOurs] {
            if (stillOurs() && target->m_commandOwner)
                target->m_commandOwner->OnClientReceive();
        }, Qt::QueuedConnection);
    }
    if (raw->state() != QAbstractSocket::ConnectedState) {
        QMetaObject::invokeMethod(raw, [target, stillOurs] {
            if (stillOurs() && target->m_commandOwner)
                target->m_commandOwner->OnClientClose();
        }, Qt::QueuedConnection);
    }
    return true;
}

int CRdsSocket::Receive(char* buffer, int maxBytes)
{
    if (!m_socket || maxBytes <= 0)
        return -1;
    const qint64 n = m_socket->read(buffer, maxBytes);
    return n < 0 ? -1 : static_cast<int>(n);
}

int64_t CRdsSocket::BytesAvailable() const
{
    return m_socket ? m_socket->bytesAvailable() : 0;
}

int CRdsSocket::Send(const char* data, int length)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    return static_cast<int>(m_socket->write(data, length));
}

bool CRdsSocket::PeerAddress(std::string& address, int& port) const
{
    if (!m_socket)
        return false;
    bool isIpv4 = false;
    const quint32 ip = m_socket->peerAddress().toIPv4Address(&isIpv4);
    if (!isIpv4)
        return false;
    address = std::to_string((ip >> 24) & 0xFF) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
              std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF);
    port = m_socket->peerPort();
    return true;
}

void CRdsSocket::Connect(uint32_t ipv4, uint16_t port)
{
    Close();
    m_socket = std::make_unique<QTcpSocket>();
    m_connectDone = false;
    Wire(*m_socket);
    // An address, never a name: nothing here may reach a resolver.
    m_socket->connectToHost(QHostAddress(ipv4), port);
}

void CRdsSocket::Close()
{
    Unwire();
    if (m_server)
        m_server->close();
    if (m_socket)
        m_socket->close();
}

bool CRdsSocket::IsOpen() const
{
    if (m_server)
        return m_server->isListening();
    return m_socket && m_socket->state() != QAbstractSocket::UnconnectedState;
}

void CRdsSocket::Wire(QTcpSocket& socket)
{
    Unwire();
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
        if (m_commandOwner)
            m_commandOwner->OnClientReceive();
    }));
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::disconnected, &socket, [this] {
        if (m_commandOwner)
            m_commandOwner->OnClientClose();
    }));
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::connected, &socket, [this] {
        m_connectDone = true;
        if (m_timeOwner)
            m_timeOwner->OnTimeConnect();
    }));
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::errorOccurred, &socket,
                                       [this](QAbstractSocket::SocketError error) {
                                           // A peer that hangs up after reading is no failed connect.
                                           if (m_connectDone)
                                               return;
                                           m_connectDone = true;
                                           if (m_timeOwner)
                                               m_timeOwner->OnTimeConnectFailed(static_cast<int>(error));
                                       }));
    m_links.push_back(QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, [this](qint64) {
        if (m_timeOwner)
            m_timeOwner->OnTimeSendReady();
    }));
}

void CRdsSocket::Unwire()
{
    for (auto& link : m_links)
        QObject::disconnect(link);
    m_links.clear();
}
