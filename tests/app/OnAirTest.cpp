// The monitor in the controller: what the chip sends after the first read, after each
// sync that changed it and after an erase, a chip that does not keep the image, and the headless server's
// "[onair] " lines after a client changed the PS over TCP.

#include <QProcess>
#include <QTcpSocket>

#include <sstream>

#include "ServerFixture.h"

namespace {

using OnAir = ServerFixture;

const std::string SYNCING = QUIET_PORT + "[RDS]AUTOSYNCEEPROM\n[RDS]EEPROMSIZE=1000\n";
const std::string STATION =
    "PI=C3A5\nPTY=0A\nTP=01\nMS=01\nDI=01\nAFDEF=00,E2\nAFDEF=01,63\nAFDEF=02,89\n"
    "PSN=\"ORVANE|  FM\"\nTXT0=\"Ola\"\n";
// The station above as a receiver shows it, worked out from its commands.
const std::vector<std::string> STATION_LINES = {"PI C3A5 PTY 10 TP 1 TA 0 MS 1 DI 1", "PS \"ORVANE  \" \"  FM    \"",
                                                "RT A \"Ola\"", "AF 97.4 101.2"};

// The chip of a station that was on air before the server started: count, records, blank rest.
std::string ChipHolding(const std::string& commands) {
    CFixedClock clock;
    CRdsModel model(clock);
    std::istringstream lines(commands);
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(model.ExecuteCommand(line.c_str()).executed, 1);
    model.Rebuild();
    const int count = model.GetRecordCount();
    std::string chip = {static_cast<char>(count & 0xFF), static_cast<char>(count >> 8)};
    chip.append(reinterpret_cast<const char*>(model.GetImage()), static_cast<size_t>(count) * 13);
    chip.resize(4096, '\xFF');
    return chip;
}

}  // namespace

TEST_F(OnAir, FirstReadAndEveryChangingSyncAreShownOnce) {
    StartWithFiles(SYNCING, STATION);
    dlg->OnTick();
    // A blank chip: nothing on air, and the reason.
    ASSERT_EQ(view.onAir.size(), 1u);
    EXPECT_FALSE(view.onAir[0].pi.has_value());
    EXPECT_NE(view.onAir[0].problem.find("blank or erased"), std::string::npos);

    Ticks(15);
    ASSERT_EQ(view.onAir.size(), 2u);
    EXPECT_EQ(OnAirLines(view.onAir[1]), STATION_LINES);
    Ticks(30);  // syncs that change nothing show nothing
    EXPECT_EQ(view.onAir.size(), 2u);

    dlg->ExecuteCommandLine("PSN=\"NOVO\"");
    dlg->ExecuteCommandLine("ENCODE");
    Ticks(15);
    ASSERT_EQ(view.onAir.size(), 3u);
    EXPECT_EQ(view.onAir[2].psPages, std::vector<std::string>{"NOVO    "});
    // An erase takes the station off air at once, and the next full sync brings it back.
    dlg->EraseEeprom();
    ASSERT_EQ(view.onAir.size(), 4u);
    EXPECT_NE(view.onAir[3].problem.find("blank or erased"), std::string::npos);
    Ticks(15);
    ASSERT_EQ(view.onAir.size(), 5u);
    EXPECT_EQ(view.onAir[4].psPages, std::vector<std::string>{"NOVO    "});
    for (const std::string& line : view.allLog) EXPECT_EQ(line.rfind("O que est\xE1 no ar", 0), std::string::npos);
}

TEST_F(OnAir, AByteTheChipDoesNotKeepIsLoggedOnceAndItsRecordNotShown) {
    StartWithFiles(SYNCING, STATION);
    dlg->OnTick();
    // Address 15 is the first byte of record 1: the PI's high byte 0xC3, where the blank chip holds 0xFF.
    sim->Chip().SetWeakCell(15, true);
    Ticks(15);
    const int records = dlg->Model().GetRecordCount();
    // The count stops before the record the chip cannot hold.
    const std::string line =
        "O que est\xE1 no ar n\xE3o \xE9 a imagem: a EEPROM n\xE3o guardou 1 byte(s) da imagem (o primeiro em "
        "0x000F); a EEPROM conta 1 registos e a imagem " +
        std::to_string(records) + ".";
    EXPECT_EQ(CountLog(line), 1);
    ASSERT_FALSE(view.onAir.empty());
    EXPECT_EQ(view.onAir.back().groups, 1);
    Ticks(15);
    EXPECT_EQ(CountLog(line), 1);  // the same difference is not logged again
}

TEST_F(OnAir, HeadlessServerPrintsTheNewPsAfterACommandOverTcp) {
    Write("DEF.INI", SYNCING);
    Write("RDS.TXT", STATION);
    Write("eeprom.sim", ChipHolding(STATION));
    QProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(ORVANE_SERVER_BINARY, {"--headless", "--dir", QString::fromStdString(dir)});
    std::string out;
    // Reads stdout until `text` shows up; bounded so that a stuck server fails the test.
    const auto waitFor = [&](const std::string& text) {
        for (int round = 0; round < 120 && out.find(text) == std::string::npos; ++round) {
            if (server.waitForReadyRead(500)) out += server.readAllStandardOutput().toStdString();
        }
        return out.find(text) != std::string::npos;
    };
    // The station as the encoder sends it before the server touched the chip.
    ASSERT_TRUE(waitFor("[onair] AF 97.4 101.2\n")) << out;
    for (const std::string& line : STATION_LINES) EXPECT_NE(out.find("[onair] " + line + "\n"), std::string::npos);
    const std::string listening = "\xC3\xA0 escuta no porto ";
    const size_t at = out.find(listening);
    ASSERT_NE(at, std::string::npos) << out;
    const int port = std::stoi(out.substr(at + listening.size()));

    QTcpSocket client;
    client.connectToHost("127.0.0.1", static_cast<quint16>(port));
    ASSERT_TRUE(client.waitForConnected(5000));
    ASSERT_TRUE(waitFor("[conn] "));  // the server took the client
    for (const char* command : {"PSN=\"NOVO|PS\"\r\n", "ENCODE\r\n"}) {
        client.write(command);
        ASSERT_TRUE(client.waitForBytesWritten(5000));
        ASSERT_TRUE(waitFor(std::string(command).substr(0, 6)));  // logged: one line per receive
    }
    EXPECT_TRUE(waitFor("[onair] PS \"NOVO    \" \"PS      \"\n")) << out;
    server.terminate();
    EXPECT_TRUE(server.waitForFinished(30000));
}
