// The real orvane-server, headless on a copy of the demo station with a simulated EEPROM
// file: stopped by any of the four stop signals after its first EEPROM read, it must leave
// the chip holding the final image, which a receiver reads here without asking the server.

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <signal.h>

#include <iterator>
#include <set>
#include <sstream>

#include "ServerFixture.h"

// The first capture of pattern in the demo's CP1252 text, whose letters are all Latin-1, in UTF-8.
static std::string Find(const std::string& text, const char* pattern) {
    return QRegularExpression(pattern).match(QString::fromLatin1(text)).captured(1).toStdString();
}

// The fixture for its temporary folder only; the parameter is the signal that ends the run.
class ServerEndToEnd : public ServerFixture, public ::testing::WithParamInterface<int> {};

TEST_P(ServerEndToEnd, StopSignalAfterFirstReadLeavesTheFinalImageInTheChip) {
    std::filesystem::copy(ORVANE_DEMO_DIR, dir);
    std::filesystem::remove(dir + "/eeprom.sim");  // a chip left by a demo run is not ours
    std::ofstream(dir + "/DEF.INI", std::ios::app) << "\n" << QUIET_PORT;
    // What the chip must hold, from the station's own files.
    const std::string commands = Read("RDS.TXT"), psSource = Find(commands, "\nPSN=\"([^\"]*)\"");
    const std::string title = Find(Read("STATUS.HTM"), "FACE=>([^<]*)</FONT>");
    std::string radioText = Find(commands, "\nTXT1=\"([^\"]*)\"");
    ASSERT_TRUE(!title.empty() && psSource.find("%TITLE%") != std::string::npos);
    ASSERT_NE(radioText.find("%TITLE%"), std::string::npos);
    radioText.replace(radioText.find("%TITLE%"), 7, title);
    std::set<std::string> ownPages;  // the station's own PS pages, padded to 8
    std::istringstream pages(psSource);
    for (std::string page; std::getline(pages, page, '|');) ownPages.insert((page + "        ").substr(0, 8));
    ownPages.erase("%TITLE% ");

    // The server's stdout goes to a reader that leaves at the first EEPROM read, as a pager
    // would: the lines of the shutdown then meet a pipe nobody reads.
    QProcess server, reader;
    server.setStandardOutputProcess(&reader);
    reader.start("grep", {"-m1", "-F", QString::fromStdString("[log] " + READ_LINE)});
    server.start(ORVANE_SERVER_BINARY, {"--headless", "--dir", QString::fromStdString(dir), "--bus", "sim:eeprom.sim"});
    ASSERT_TRUE(reader.waitForFinished(60000));  // bounds a stuck server; this is no speed check
    ASSERT_EQ(reader.exitCode(), 0) << server.readAllStandardError().toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(server.processId()), GetParam()), 0);
    server.waitForFinished(60000);
    ASSERT_EQ(server.state(), QProcess::NotRunning);
    EXPECT_EQ(std::pair(server.exitStatus(), server.exitCode()), std::pair(QProcess::NormalExit, 0))
        << server.readAllStandardError().toStdString();

    const std::string chip = Read("eeprom.sim");
    ASSERT_EQ(chip.size(), 4096u);
    std::vector<rdstest::Group> groups;
    const auto receiver = Receive(reinterpret_cast<const uint8_t*>(chip.data()), groups);
    const auto pi = std::stoul(Find(commands, "\nPI=([0-9A-Fa-f]+)"), nullptr, 16);
    for (const auto& g : groups) ASSERT_EQ(g.info[0], pi);
    // The optional groups are off, the title has left PS, and RadioText keeps it, extension and all.
    EXPECT_TRUE(receiver.clockTimes.empty() && receiver.programmeItems.empty());
    std::set<std::string> sent;
    for (const auto& p : receiver.psPages) sent.insert(rdstest::RdsToUtf8(p));
    sent.erase("        ");  // a blank page may pass between
    EXPECT_EQ(sent, ownPages);
    EXPECT_TRUE(RadioTextStartsWith(receiver, radioText)) << "no RadioText starts with '" << radioText << "'";
}

// A dropped SSH session, the quit key, Ctrl-C and the service manager's stop.
INSTANTIATE_TEST_SUITE_P(Signals, ServerEndToEnd, ::testing::Values(SIGHUP, SIGQUIT, SIGINT, SIGTERM),
                         [](const auto& info) { return std::string(::sigabbrev_np(info.param)); });

// Sockets, timers and the child process need an application object, as in the real run.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
