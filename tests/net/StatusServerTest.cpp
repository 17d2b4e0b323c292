// The status page's HTTP server on 127.0.0.1, spoken to in raw bytes: what it answers to each
// kind of request, that a new snapshot shows at once, and that many clients at once all get
// their whole page.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "HttpExchange.h"
#include "StatusServer.h"

namespace {

constexpr int kWaitMs = 10000;  // bounds a broken server; nothing here is a speed check

class StatusServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const StatusListenResult r = server.Listen("127.0.0.1", 0);
        ASSERT_TRUE(r.ok) << r.error;
        port = r.port;
        StatusSnapshot s;
        s.stationName = "ORVANE";
        s.pi = 0x8A51;
        s.eepromStates.assign(4096, 0);
        server.Publish(s);
    }
    HttpAnswer Exchange(const std::vector<std::string>& pieces) { return HttpExchange(port, pieces); }
    HttpAnswer Get(const std::string& target) { return HttpGet(port, target); }

    CStatusServer server;
    int port = 0;
};

}  // namespace

TEST_F(StatusServerTest, AnswerTable) {
    const std::string bigHeader = "X-Big: " + std::string(9000, 'a') + "\r\n";
    struct Row {
        const char* what;
        std::vector<std::string> pieces;
        const char* statusLine;
    };
    const Row rows[] = {
        {"page", {"GET / HTTP/1.1\r\nHost: x\r\n\r\n"}, "HTTP/1.1 200 OK"},
        {"JSON", {"GET /status.json HTTP/1.1\r\n\r\n"}, "HTTP/1.1 200 OK"},
        {"JSON with a query", {"GET /status.json?now=1 HTTP/1.0\r\n\r\n"}, "HTTP/1.1 200 OK"},
        {"head in pieces", {"GET / HT", "TP/1.1\r\nHo", "st: x\r\n", "\r\n"}, "HTTP/1.1 200 OK"},
        {"unknown path", {"GET /index.html HTTP/1.1\r\n\r\n"}, "HTTP/1.1 404 Not Found"},
        {"a dot is no wildcard", {"GET /statusXjson HTTP/1.1\r\n\r\n"}, "HTTP/1.1 404 Not Found"},
        {"dot-dot", {"GET /../etc/passwd HTTP/1.1\r\n\r\n"}, "HTTP/1.1 404 Not Found"},
        {"encoded dot-dot", {"GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\n\r\n"}, "HTTP/1.1 404 Not Found"},
        {"dot-dot after a page", {"GET /status.json/../../DEF.INI HTTP/1.1\r\n\r\n"}, "HTTP/1.1 404 Not Found"},
        {"a file of the station", {"GET /DEF.INI HTTP/1.1\r\n\r\n"}, "HTTP/1.1 404 Not Found"},
        {"POST changes nothing", {"POST / HTTP/1.1\r\nContent-Length: 0\r\n\r\n"}, "HTTP/1.1 404 Not Found"},
        {"DELETE", {"DELETE /status.json HTTP/1.1\r\n\r\n"}, "HTTP/1.1 404 Not Found"},
        {"headers over 8 KB",
         {"GET / HTTP/1.1\r\n" + bigHeader + "\r\n"},
         "HTTP/1.1 431 Request Header Fields Too Large"},
        {"endless header line",
         {"GET / HTTP/1.1\r\nX: " + std::string(20000, 'b')},
         "HTTP/1.1 431 Request Header Fields Too Large"},
        {"garbage", {"GARBAGE\r\n\r\n"}, "HTTP/1.1 400 Bad Request"},
        {"binary", {std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\n", 12)}, "HTTP/1.1 400 Bad Request"},
        {"header without colon", {"GET / HTTP/1.1\r\nNoColon\r\n\r\n"}, "HTTP/1.1 400 Bad Request"},
        {"two requests at once", {"GET / HTTP/1.1\r\n\r\nGET /x HTTP/1.1\r\n\r\n"}, "HTTP/1.1 400 Bad Request"},
        {"a body after GET", {"GET / HTTP/1.1\r\nContent-Length: 4\r\n\r\nPSN="}, "HTTP/1.1 400 Bad Request"},
    };
    for (const Row& row : rows) {
        const HttpAnswer a = Exchange(row.pieces);
        EXPECT_EQ(a.statusLine, row.statusLine) << row.what;
        EXPECT_TRUE(a.closedByServer) << row.what;
        // Whatever the answer, it says how long it is and holds exactly that.
        EXPECT_EQ(ContentLength(a.head), static_cast<long>(a.body.size())) << row.what;
    }
}

TEST_F(StatusServerTest, PagesCarryTheirTypeAndTheNewestSnapshot) {
    const HttpAnswer page = Get("/");
    EXPECT_NE(page.head.find("Content-Type: text/html; charset=utf-8"), std::string::npos);
    EXPECT_NE(page.head.find("Cache-Control: no-store"), std::string::npos);
    EXPECT_NE(page.body.find("<h1 id=\"station\">ORVANE</h1>"), std::string::npos);
    const HttpAnswer json = Get("/status.json");
    EXPECT_NE(json.head.find("Content-Type: application/json"), std::string::npos);
    EXPECT_NE(json.body.find("\"pi\": \"8A51\""), std::string::npos);

    StatusSnapshot next;
    next.stationName = "NOVA";
    next.pi = 0xC201;
    server.Publish(next);
    EXPECT_NE(Get("/").body.find("<h1 id=\"station\">NOVA</h1>"), std::string::npos);
    EXPECT_NE(Get("/status.json").body.find("\"pi\": \"C201\""), std::string::npos);
}

TEST_F(StatusServerTest, TwoHundredClientsAtOnceEachGetTheWholePage) {
    constexpr int kClients = 200;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    std::vector<std::string> raw(kClients);
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost("127.0.0.1", static_cast<quint16>(port));
    }
    for (auto& c : clients) c->write("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    const bool allClosed = QTest::qWaitFor(
        [&] {
            bool done = true;
            for (int i = 0; i < kClients; ++i) {
                raw[static_cast<std::size_t>(i)] += clients[static_cast<std::size_t>(i)]->readAll().toStdString();
                done = done && clients[static_cast<std::size_t>(i)]->state() == QAbstractSocket::UnconnectedState;
            }
            return done;
        },
        30000);
    EXPECT_TRUE(allClosed);
    int whole = 0;
    for (int i = 0; i < kClients; ++i) {
        const HttpAnswer a = SplitAnswer(
            raw[static_cast<std::size_t>(i)] + clients[static_cast<std::size_t>(i)]->readAll().toStdString(), true);
        const bool ok = a.statusLine == "HTTP/1.1 200 OK" &&
                        ContentLength(a.head) == static_cast<long>(a.body.size()) && a.body.size() > 1000 &&
                        a.body.compare(a.body.size() - 8, 8, "</html>\n") == 0;
        whole += ok ? 1 : 0;
    }
    EXPECT_EQ(whole, kClients);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.OpenConnections() == 0; }, kWaitMs));
}

TEST(StatusServerListen, RefusesABadAddressAndATakenPort) {
    CStatusServer first;
    const StatusListenResult ok = first.Listen("127.0.0.1", 0);
    ASSERT_TRUE(ok.ok);
    CStatusServer second;
    const StatusListenResult taken = second.Listen("127.0.0.1", ok.port);
    EXPECT_FALSE(taken.ok);
    EXPECT_FALSE(taken.error.empty());
    CStatusServer third;
    const StatusListenResult bad = third.Listen("LOCALHOST", 0);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.error, "endere\xE7o inv\xE1lido: LOCALHOST");
}
