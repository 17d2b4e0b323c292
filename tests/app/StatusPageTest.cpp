// The controller's status page, in process with the tick called by hand: what it shows comes
// from the chip (on air) or the controller (the rest), and a command from a TCP client shows
// on the page once the tick has put it in the EEPROM.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include "Cp1252.h"
#include "FakeNetHost.h"
#include "HttpExchange.h"
#include "ServerFixture.h"

namespace {

// A port nobody listens on just now, for a DEF.INI that must name one.
QStringList Strings(const QJsonValue& array) {
    QStringList out;
    for (const auto& v : array.toArray()) out << v.toString();
    return out;
}

const std::string STATION_FILE =
    "PI=C201\r\n"
    "AFDEF=00,E2\r\n"
    "AFDEF=01,64\r\n"  // 87.5 + 100 x 0.1 MHz
    "AFDEF=02,8A\r\n"  // 87.5 + 138 x 0.1 MHz
    "PSN=\"RADIO|SOL\"\r\n"
    "TXT0=\"Bom dia, Lisboa\"\r\n"
    ".END\r\n";

class StatusPage : public ServerFixture {
protected:
    void StartStation(const std::string& extraConfig = "") {
        webPort = FreePort();
        Write("DEF.INI", QUIET_PORT + "[RDS]EEPROMSIZE=1000\n[RDS]AUTOSYNCEEPROM\n[RDS]WEBSTATUS=" +
                             std::to_string(webPort) + "\n" + extraConfig);
        Write("RDS.TXT", STATION_FILE);
        Start();
    }
    [[nodiscard]] QJsonValue Json() {
        const HttpAnswer a = HttpGet(dlg->StatusPort(), "/status.json");
        EXPECT_EQ(a.statusLine, "HTTP/1.1 200 OK");
        return QJsonValue(QJsonDocument::fromJson(QByteArray::fromStdString(a.body)).object());
    }

    int webPort = 0;
};

}  // namespace

TEST_F(StatusPage, OnAirIsUnknownUntilTheChipIsReadThenShowsWhatItHolds) {
    StartStation();
    ASSERT_EQ(dlg->StatusPort(), webPort);
    EXPECT_GT(CountLog("P\xE1gina de estado: http://127.0.0.1:" + std::to_string(webPort) + "/"), 0);
    EXPECT_TRUE(Json()["onAir"].isNull());  // nothing read from the chip yet

    // The first read, then the image goes out at the next tick.
    int ticks = 0;
    while (ticks < 15 && Json()["lastSync"].isNull()) {
        Ticks(1);
        ++ticks;
    }
    ASSERT_LT(ticks, 15);
    EXPECT_GT(Json()["lastSync"]["bytesChanged"].toInt(), 0);
    Ticks(15 - ticks);
    const QJsonValue o = Json();
    EXPECT_EQ(o["station"]["name"].toString(), "RADIO");
    EXPECT_EQ(o["station"]["pi"].toString(), "C201");
    const QJsonValue air = o["onAir"];
    EXPECT_EQ(air["pi"].toString(), "C201");
    EXPECT_EQ(Strings(air["ps"]), QStringList({"RADIO   ", "SOL     "}));
    EXPECT_TRUE(air["radioText"][0].toString().startsWith("Bom dia, Lisboa"));
    EXPECT_EQ(air["afKhz"].toArray(), QJsonArray({97500, 101300}));
    EXPECT_FALSE(o["lastSync"].isNull());  // the full check of tick 15, which found nothing to write
    EXPECT_EQ(o["lastSync"]["bytesChanged"].toInt(), 0);
    EXPECT_EQ(o["lastSync"]["failures"].toInt(), 0);
    EXPECT_EQ(o["lastSync"]["time"].toString(), "2024-05-17 14:30:00");  // the fixture's clock
    EXPECT_EQ(o["eeprom"]["size"].toInt(), 4096);
    EXPECT_EQ(o["ticks"].toInt(), 15);
}

TEST_F(StatusPage, ATcpCommandChangesTheStationAtOnceAndTheAirAtTheNextSync) {
    StartStation();
    Ticks(15);
    ASSERT_EQ(Strings(Json()["onAir"]["ps"]), QStringList({"RADIO   ", "SOL     "}));

    auto client = ConnectClient(dlg->BoundPort());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->CommandServer().IsClientConnected(); }));
    SendRaw(*client, "PSN=\"NOVA|RADIO\"\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountLog("PSN=\"NOVA|RADIO\" - OK") > 0; }));
    SendRaw(*client, "ENCODE\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountLog("ENCODE - OK") > 0; }));
    // Until the next tick the page shows its last snapshot: the old name, in the station and on air.
    EXPECT_EQ(Json()["station"]["name"].toString(), "RADIO");
    Ticks(1);  // the snapshot and the sync of the changed image, on the same tick

    const QJsonValue o = Json();
    EXPECT_EQ(o["station"]["name"].toString(), "NOVA");
    EXPECT_TRUE(o["client"].toString().endsWith(QString(" # 127.0.0.1 @ %1").arg(client->localPort())))
        << o["client"].toString().toStdString();
    const QJsonArray log = o["log"].toArray();
    EXPECT_TRUE(log.contains(QJsonValue("ENCODE - OK")));

    EXPECT_EQ(Strings(o["onAir"]["ps"]), QStringList({"NOVA    ", "RADIO   "}));
    EXPECT_GT(o["lastSync"]["bytesChanged"].toInt(), 0);

    client->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->CommandServer().IsClientConnected(); }));
    Ticks(1);
    EXPECT_TRUE(Json()["client"].isNull());
}

TEST_F(StatusPage, TheLastFiftyLogLinesOutliveTheMinutelyClearing) {
    StartStation();
    // The command file run again and again: every line of it is logged each time.
    for (int i = 0; i < 70; ++i) dlg->ReloadCommandFile();
    ASSERT_GT(view.allLog.size(), 70u);
    Ticks(60);  // the window's log is cleared at the 60th tick
    ASSERT_TRUE(view.lists[ServerList::Log].empty());
    const QJsonArray log = Json()["log"].toArray();
    ASSERT_EQ(log.size(), 50);
    const std::size_t total = view.allLog.size();
    ASSERT_GE(total, 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(log[i].toString().toStdString(), Cp1252ToUtf8(view.allLog[total - 50 + static_cast<std::size_t>(i)]));
    }
}

TEST_F(StatusPage, ATakenPortIsLoggedAndTheStationRunsOn) {
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, 0));
    Write("DEF.INI",
          QUIET_PORT + "[RDS]EEPROMSIZE=1000\n[RDS]WEBSTATUS=" + std::to_string(squatter.serverPort()) + "\n");
    Write("RDS.TXT", STATION_FILE);
    Start();
    EXPECT_EQ(dlg->StatusPort(), 0);
    const std::string prefix = "P\xE1gina de estado indispon\xEDvel: 127.0.0.1 @ " +
                               std::to_string(squatter.serverPort());
    EXPECT_EQ(std::count_if(view.allLog.begin(), view.allLog.end(),
                            [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }),
              1);
    EXPECT_TRUE(dlg->CommandServer().IsListening());
    Ticks(2);
    EXPECT_TRUE(view.exitCodes.empty());
}

TEST_F(StatusPage, WithoutTheKeyNothingListens) {
    StartWithFiles(QUIET_PORT + "[RDS]EEPROMSIZE=1000\n", STATION_FILE);
    Ticks(1);
    EXPECT_EQ(dlg->StatusPort(), 0);
    EXPECT_EQ(std::count_if(view.allLog.begin(), view.allLog.end(),
                            [](const std::string& l) { return l.find("P\xE1gina de estado") != std::string::npos; }),
              0);
}
