// The status page of the real orvane-server, headless on the simulator: a real browser shows
// what is on air, and two hundred clients at once neither starve nor stall the tick and its
// sync. Expected texts come from the station's own RDS.TXT.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <signal.h>

#include "HttpExchange.h"
#include "ServerFixture.h"

namespace {

constexpr int kBoundMs = 60000;  // bounds a stuck child; nothing here is a speed check

class StatusOfTheRealServer : public ServerFixture {
protected:
    void TearDown() override {
        if (server.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(server.processId()), SIGTERM);
            server.waitForFinished(kBoundMs);
        }
        ServerFixture::TearDown();
    }
    // The demo station with its page on a free port; the chip, when given, is put in first.
    void StartServer(const std::string& chip = "") {
        std::filesystem::copy(ORVANE_DEMO_DIR, dir);
        std::filesystem::remove(dir + "/eeprom.sim");
        webPort = FreePort();
        std::ofstream(dir + "/DEF.INI", std::ios::app) << "\n" << QUIET_PORT << "[RDS]WEBSTATUS=" << webPort << "\n";
        if (!chip.empty()) Write("eeprom.sim", chip);
        server.start(ORVANE_SERVER_BINARY,
                     {"--headless", "--dir", QString::fromStdString(dir), "--bus", "sim:eeprom.sim"});
        ASSERT_TRUE(server.waitForStarted(kBoundMs));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return HttpGet(webPort, "/status.json").statusLine == "HTTP/1.1 200 OK"; }, kBoundMs))
            << server.readAllStandardError().toStdString();
    }
    QJsonObject Json() {
        return QJsonDocument::fromJson(QByteArray::fromStdString(HttpGet(webPort, "/status.json").body)).object();
    }
    // The image orvane-encode makes of the demo station, as the 4096 bytes of a chip.
    std::string EncodedChip() {
        const std::string image = dir + ".image";
        QProcess encode;
        encode.start(ORVANE_ENCODE_BINARY, {"--dir", ORVANE_DEMO_DIR, "-o", QString::fromStdString(image)});
        EXPECT_TRUE(encode.waitForFinished(kBoundMs));
        EXPECT_EQ(encode.exitCode(), 0) << encode.readAllStandardError().toStdString();
        std::string chip = ReadFile(image);
        std::filesystem::remove(image);
        EXPECT_GT(chip.size(), 2u);
        chip.resize(CSimEeprom::SIZE, '\xFF');
        return chip;
    }

    QProcess server;
    int webPort = 0;
};

// The demo's RDS.TXT field, in UTF-8 (its letters are all Latin-1).
std::string DemoField(const char* pattern) {
    const QString text = QString::fromLatin1(ReadFile(std::string(ORVANE_DEMO_DIR) + "/RDS.TXT"));
    return QRegularExpression(pattern).match(text).captured(1).toStdString();
}

}  // namespace

TEST_F(StatusOfTheRealServer, HeadlessChromiumShowsThePsAndRadioTextOnAir) {
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty()) GTEST_SKIP() << "chromium is not installed here";
    StartServer(EncodedChip());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Json()["onAir"].toObject()["ps"].toArray().isEmpty(); }, kBoundMs));

    QProcess browser;
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                             "--window-size=900,1200", QString("--screenshot=") + ORVANE_STATUS_SCREENSHOT,
                             "--dump-dom", QString("http://127.0.0.1:%1/").arg(webPort)});
    ASSERT_TRUE(browser.waitForFinished(kBoundMs));
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    ASSERT_TRUE(dom.contains("</html>")) << browser.readAllStandardError().toStdString();

    // Every page the station typed, padded to 8 as a receiver shows it (the title's pages vary).
    std::istringstream pages(DemoField("\\nPSN=\"([^\"]*)\""));
    int own = 0;
    for (std::string page; std::getline(pages, page, '|');) {
        if (page == "%TITLE%") continue;
        const QString span = QString("<span class=\"ps\">%1</span>").arg(QString::fromStdString(page).leftJustified(8));
        EXPECT_TRUE(dom.contains(span)) << span.toStdString();
        ++own;
    }
    EXPECT_EQ(own, 4);
    const QString radioText = QRegularExpression("id=\"rt0\"[^>]*>([^<]*)<").match(dom).captured(1);
    EXPECT_EQ(radioText.toStdString(), DemoField("\\nTXT0=\"([^\"]*)\""));

    // The screenshot is a PNG of the window's size (its header: signature, then IHDR's width).
    const std::string png = ReadFile(ORVANE_STATUS_SCREENSHOT);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
    const auto width = static_cast<uint8_t>(png[18]) << 8 | static_cast<uint8_t>(png[19]);
    EXPECT_EQ(width, 900);
}

TEST_F(StatusOfTheRealServer, TwoHundredClientsDuringASyncAllGetThePageAndTheTickGoesOn) {
    StartServer();
    // The image went out at the tick after the first read; wait until the full check of
    // tick 15 is near, then hold 200 requests open across it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Json()["ticks"].toInt() >= 12; }, kBoundMs));
    const QJsonObject firstSync = Json()["lastSync"].toObject();
    ASSERT_GT(firstSync["bytesChanged"].toInt(), 0);
    const int ticksBefore = Json()["ticks"].toInt();

    constexpr int kClients = 200;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->setReadBufferSize(512);  // slow readers: the rest waits in the kernel
        clients.back()->connectToHost("127.0.0.1", static_cast<quint16>(webPort));
    }
    for (auto& c : clients) c->write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");

    ASSERT_TRUE(QTest::qWaitFor([&] { return Json()["lastSync"].toObject()["time"] != firstSync["time"]; }, kBoundMs));
    const QJsonObject afterSync = Json();
    EXPECT_EQ(afterSync["lastSync"].toObject()["failures"].toInt(), 0);

    std::vector<std::string> raw(kClients);
    for (auto& c : clients) c->setReadBufferSize(0);
    const bool allClosed = QTest::qWaitFor(
        [&] {
            bool done = true;
            for (std::size_t i = 0; i < clients.size(); ++i) {
                raw[i] += clients[i]->readAll().toStdString();
                done = done && clients[i]->state() == QAbstractSocket::UnconnectedState;
            }
            return done;
        },
        kBoundMs);
    EXPECT_TRUE(allClosed);
    int whole = 0;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const HttpAnswer a = SplitAnswer(raw[i] + clients[i]->readAll().toStdString(), true);
        whole += a.statusLine == "HTTP/1.1 200 OK" && ContentLength(a.head) == static_cast<long>(a.body.size()) &&
                 a.body.ends_with("</html>\n");
    }
    EXPECT_EQ(whole, kClients);
    // The tick ran on through all of it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Json()["ticks"].toInt() >= ticksBefore + 5; }, kBoundMs));

    ASSERT_EQ(::kill(static_cast<pid_t>(server.processId()), SIGTERM), 0);
    ASSERT_TRUE(server.waitForFinished(kBoundMs));
    EXPECT_EQ(server.exitCode(), 0);
}
