#pragma once
// A raw HTTP client for the status page's tests: sends bytes over a real socket on 127.0.0.1
// and reads until the server closes, running the event loop meanwhile.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <string>
#include <vector>

// A port that was free a moment ago, for a server that listens only where it is told.
inline int FreePort() {
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    return probe.serverPort();
}

struct HttpAnswer {
    std::string statusLine;
    std::string head;
    std::string body;
    bool closedByServer = false;
};

inline HttpAnswer SplitAnswer(const std::string& raw, bool closed) {
    HttpAnswer a;
    a.closedByServer = closed;
    a.statusLine = raw.substr(0, raw.find("\r\n"));
    const std::size_t headEnd = raw.find("\r\n\r\n");
    if (headEnd == std::string::npos) return a;
    a.head = raw.substr(0, headEnd);
    a.body = raw.substr(headEnd + 4);
    return a;
}

// The Content-Length the head gives, or -1.
inline long ContentLength(const std::string& head) {
    const std::size_t at = head.find("Content-Length: ");
    return at == std::string::npos ? -1 : std::stol(head.substr(at + 16));
}

// Sends the pieces one after another, each given time to arrive alone; 10 s bounds a broken server.
inline HttpAnswer HttpExchange(int port, const std::vector<std::string>& pieces, int waitMs = 10000) {
    QTcpSocket client;
    client.connectToHost("127.0.0.1", static_cast<quint16>(port));
    if (!QTest::qWaitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }, waitMs)) return {};
    for (const std::string& piece : pieces) {
        client.write(piece.data(), static_cast<qint64>(piece.size()));
        if (pieces.size() > 1) QTest::qWait(20);
    }
    std::string raw;
    const bool closed = QTest::qWaitFor(
        [&] {
            raw += client.readAll().toStdString();
            return client.state() == QAbstractSocket::UnconnectedState;
        },
        waitMs);
    raw += client.readAll().toStdString();
    return SplitAnswer(raw, closed);
}

inline HttpAnswer HttpGet(int port, const std::string& target) {
    return HttpExchange(port, {"GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"});
}
