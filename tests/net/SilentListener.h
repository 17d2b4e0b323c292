#pragma once
// A loopback listener that accepts nothing: its queue is filled at once, so a further connect
// to it never completes. Time-client tests point a client line at Line().

#include <QTcpServer>
#include <QTcpSocket>
#include <array>
#include <string>

class SilentListener {
public:
    SilentListener() {
        m_server.setListenBacklogSize(0);
        m_server.setMaxPendingConnections(0);
        m_listening = m_server.listen(QHostAddress::LocalHost, 0);
        for (auto& filler : m_fillers) filler.connectToHost(QHostAddress::LocalHost, m_server.serverPort());
    }
    [[nodiscard]] bool Listening() const { return m_listening; }
    // The time client list's line for this listener.
    [[nodiscard]] std::string Line() const { return "127.0.0.1@" + std::to_string(m_server.serverPort()); }

private:
    QTcpServer m_server;
    std::array<QTcpSocket, 3> m_fillers;
    bool m_listening = false;
};
