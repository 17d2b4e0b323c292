#include "StatusServer.h"

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "StatusRender.h"

namespace {

// Set on a socket that has been handed to the HTTP library: the head's length in bytes.
constexpr const char* kHandedOver = "orvaneHandedOver";
// Set once the library has read the one request it may read.
constexpr const char* kConsumed = "orvaneConsumed";

QHttpServerResponse Page(const QByteArray& mimeType, const QByteArray& body) {
    QHttpServerResponse response(mimeType, body);
    // The page is a live view: never a stale copy from a cache.
    response.setHeader("Cache-Control", "no-store");
    response.setHeader("Connection", "close");
    return response;
}

}  // namespace

// ---------------------------------------------------------------- guard

CRequestGuard::CRequestGuard(QObject* parent) : QTcpServer(parent) {}

void CRequestGuard::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_open >= kMaxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_open;
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Inspect(socket); });

    // A client that sends its head too slowly holds a connection for nothing.
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, socket, [socket] {
        if (!socket->property(kHandedOver).isValid()) socket->abort();
    });
    timer->start(kHeadTimeoutMs);
}

void CRequestGuard::Inspect(QTcpSocket* socket) {
    if (socket->property(kHandedOver).isValid()) {
        // Runs before the library's own handler. Bytes past the one checked head (a pipelined
        // request, a body) must not reach it unchecked: once it has its request they are
        // dropped; before that, the connection ends.
        if (socket->property(kConsumed).toBool()) {
            socket->skip(socket->bytesAvailable());
        } else if (socket->bytesAvailable() > socket->property(kHandedOver).toLongLong()) {
            socket->abort();
        }
        return;
    }
    // peek leaves the bytes in the socket for the HTTP library; one byte past the limit tells too long.
    const QByteArray head = socket->peek(static_cast<qint64>(REQUEST_HEAD_LIMIT) + 1);
    const HeadCheck check = CheckRequestHead(std::string_view(head.constData(), static_cast<size_t>(head.size())));
    switch (check.verdict) {
    case HeadVerdict::Incomplete:
        return;
    case HeadVerdict::TooLarge:
        Refuse(socket, 431, "Request Header Fields Too Large");
        return;
    case HeadVerdict::Malformed:
        Refuse(socket, 400, "Bad Request");
        return;
    case HeadVerdict::Complete:
        if (socket->bytesAvailable() > static_cast<qint64>(check.headBytes)) {
            Refuse(socket, 400, "Bad Request");  // a GET has no body, and one request per connection
        } else {
            HandOver(socket, check.headBytes);
        }
        return;
    }
}

void CRequestGuard::Refuse(QTcpSocket* socket, int status, const char* reason) {
    socket->setProperty(kHandedOver, static_cast<qlonglong>(0));
    socket->setProperty(kConsumed, true);  // anything more it sends is dropped
    const QByteArray body = QByteArray::number(status) + " " + reason + "\n";
    const QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + " " + reason +
                                "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
                                "\r\nConnection: close\r\n\r\n" + body;
    socket->write(response);
    socket->disconnectFromHost();
}

void CRequestGuard::HandOver(QTcpSocket* socket, std::size_t headBytes) {
    socket->setProperty(kHandedOver, static_cast<qlonglong>(headBytes));
    // One request per connection: once the answer has gone, the connection ends, so a second
    // request on it never reaches the library unchecked.
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
        if (socket->bytesToWrite() == 0) socket->disconnectFromHost();
    });
    addPendingConnection(socket);
    // The head is already buffered: the library, which waits for readyRead, is told so.
    QMetaObject::invokeMethod(socket, "readyRead", Qt::QueuedConnection);
    // Queued after it, so it runs once the library has read and answered the request.
    QMetaObject::invokeMethod(
        socket, [socket] { socket->setProperty(kConsumed, true); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- server

CStatusServer::CStatusServer() = default;

CStatusServer::~CStatusServer() { Stop(); }

StatusListenResult CStatusServer::Listen(const std::string& address, int port) {
    StatusListenResult result;
    QHostAddress host;
    if (!host.setAddress(QString::fromStdString(address))) {
        result.error = "endere\xE7o inv\xE1lido: " + address;
        return result;
    }
    if (port < 0 || port > 65535) {
        result.error = "porto fora de 0..65535: " + std::to_string(port);
        return result;
    }
    if (m_home) {
        result.error = "j\xE1 est\xE1 \xE0 escuta";
        return result;
    }
    m_home = std::make_unique<QObject>();
    m_home->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_home.get(), [&] { result = ListenHere(host, static_cast<quint16>(port)); }, Qt::BlockingQueuedConnection);
    if (!result.ok) Stop();
    return result;
}

StatusListenResult CStatusServer::ListenHere(const QHostAddress& host, quint16 port) {
    StatusListenResult result;
    auto guard = std::make_unique<CRequestGuard>();
    // Qt's default backlog of 50 makes a crowd of browsers wait a second for SYN retries.
    guard->setListenBacklogSize(CRequestGuard::kBacklog);
    if (!guard->listen(host, port)) {
        result.error = guard->errorString().toStdString();
        return result;
    }
    auto* http = new QHttpServer(m_home.get());
    http->route("/", QHttpServerRequest::Method::Get, [this] { return Page("text/html; charset=utf-8", Html()); });
    http->route("/status\\.json", QHttpServerRequest::Method::Get, [this] { return Page("application/json", Json()); });
    m_guard = guard.release();
    http->bind(m_guard);  // the library takes the guard as its child
    result.ok = true;
    result.port = m_guard->serverPort();
    return result;
}

void CStatusServer::Stop() {
    if (!m_home) return;
    if (m_thread.isRunning()) {
        // The server and its sockets go on their own thread, which then ends.
        QMetaObject::invokeMethod(
            m_home.get(), [this] { qDeleteAll(m_home->children()); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    m_guard = nullptr;
    m_home.reset();
}

void CStatusServer::Publish(StatusSnapshot snapshot) {
    const std::lock_guard lock(m_mutex);
    m_snapshot = std::move(snapshot);
    m_html.reset();
    m_json.reset();
}

QByteArray CStatusServer::Html() {
    const std::lock_guard lock(m_mutex);
    if (!m_html) m_html = QByteArray::fromStdString(StatusHtml(m_snapshot));
    return *m_html;
}

QByteArray CStatusServer::Json() {
    const std::lock_guard lock(m_mutex);
    if (!m_json) m_json = QByteArray::fromStdString(StatusJson(m_snapshot));
    return *m_json;
}
