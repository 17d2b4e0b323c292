// The real orvane-server, headless on a copy of the demo station with a simulated EEPROM
// file: stopped by SIGTERM after its first EEPROM read, it must leave the chip holding the
// final image, which a receiver reads here without asking the server anything.

#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "RdsTestDecoder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kBoundMs = 60000;  // an upper bound for a stuck server, not a speed check

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The demo's files are CP1252; the letters used there are the Latin-1 ones.
std::string Latin1ToUtf8(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | b >> 6));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

// The quoted value of the first command line that starts with key.
std::string CommandValue(const std::string& commands, const std::string& key) {
    std::istringstream in(commands);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) continue;
        const auto open = line.find('"');
        const auto close = line.rfind('"');
        if (open != std::string::npos && close > open) return line.substr(open + 1, close - open - 1);
        return line.substr(key.size());
    }
    return {};
}

TEST(ServerEndToEnd, SigtermAfterFirstReadLeavesTheFinalImageInTheChip) {
    std::string pattern = (fs::temp_directory_path() / "orvane-e2e-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path station = pattern;
    for (const auto& entry : fs::directory_iterator(ORVANE_DEMO_DIR)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.find(".sim") == std::string::npos) {
            fs::copy_file(entry.path(), station / name);
        }
    }
    {
        // The system picks the port, so a running station or another test cannot collide.
        std::ofstream def(station / "DEF.INI", std::ios::app | std::ios::binary);
        def << "\n[RDS]PORT=0\n";
    }

    const std::string commands = ReadAll(station / "RDS.TXT");
    const std::string status = ReadAll(station / "STATUS.HTM");
    const auto face = status.find("FACE=>");
    const auto font = status.find("</FONT>", face);
    ASSERT_NE(face, std::string::npos);
    ASSERT_NE(font, std::string::npos);
    const std::string title = Latin1ToUtf8(status.substr(face + 6, font - face - 6));
    const uint16_t pi = static_cast<uint16_t>(std::stoul(CommandValue(commands, "PI="), nullptr, 16));
    const std::string psSource = Latin1ToUtf8(CommandValue(commands, "PSN="));
    std::string radioText = Latin1ToUtf8(CommandValue(commands, "TXT1="));
    ASSERT_NE(psSource.find("%TITLE%"), std::string::npos);
    ASSERT_NE(radioText.find("%TITLE%"), std::string::npos);
    radioText.replace(radioText.find("%TITLE%"), 7, title);

    QProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(ORVANE_SERVER_BINARY, {"--headless", "--dir", QString::fromStdString(station.string()),
                                        "--bus", "sim:eeprom.sim"});
    ASSERT_TRUE(server.waitForStarted(kBoundMs));

    std::string output;
    bool read = false;
    QElapsedTimer elapsed;
    elapsed.start();
    while (!read && elapsed.elapsed() < kBoundMs && server.state() == QProcess::Running) {
        server.waitForReadyRead(200);
        output += server.readAllStandardOutput().toStdString();
        read = output.find("[log] EEPROM lida: 4096 bytes.") != std::string::npos;
    }
    ASSERT_TRUE(read) << output << server.readAllStandardError().toStdString();
    EXPECT_NE(output.find("[log] ******** DEF.INI PROCESSADO COM SUCESSO ********"), std::string::npos);

    server.terminate();  // SIGTERM
    ASSERT_TRUE(server.waitForFinished(kBoundMs));
    EXPECT_EQ(server.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.exitCode(), 0) << server.readAllStandardError().toStdString();

    const std::string chip = ReadAll(station / "eeprom.sim");
    ASSERT_EQ(chip.size(), 4096u);
    const auto* bytes = reinterpret_cast<const uint8_t*>(chip.data());
    const int records = bytes[0] | bytes[1] << 8;
    ASSERT_GT(records, 0);
    ASSERT_LE(2 + records * 13, 4096);
    const auto groups = rdstest::DecodeImage(bytes + 2, records * 13);
    rdstest::CTestReceiver receiver;
    receiver.FeedAll(groups);
    EXPECT_EQ(receiver.invalidGroups, 0);
    for (const auto& g : groups) ASSERT_EQ(g.Pi(), pi);

    // The optional groups are off: no clock time, no programme item.
    EXPECT_TRUE(receiver.clockTimes.empty());
    EXPECT_TRUE(receiver.programmeItems.empty());

    // PS: the station's own pages only, the title gone from it.
    std::set<std::string> ownPages;
    std::istringstream pages(psSource);
    std::string page;
    while (std::getline(pages, page, '|')) {
        if (page.empty() || page == "%TITLE%") continue;
        ownPages.insert(page + std::string(8 - std::min<std::size_t>(8, page.size()), ' '));
    }
    std::set<std::string> sent;
    for (const auto& p : receiver.psPages) sent.insert(rdstest::RdsToUtf8(p));
    for (const auto& p : ownPages) EXPECT_TRUE(sent.count(p)) << "missing PS page '" << p << "'";
    for (const auto& p : sent) {
        EXPECT_TRUE(ownPages.count(p) || p == std::string(8, ' ')) << "unexpected PS page '" << p << "'";
    }

    // RadioText keeps the title, extension and all.
    bool found = false;
    for (int ab = 0; ab < 2; ++ab) {
        if (receiver.radioTextGroups[ab] == 0) continue;
        found |= rdstest::RdsToUtf8(receiver.radioText[ab]).rfind(radioText, 0) == 0;
    }
    EXPECT_TRUE(found) << "no RadioText starts with '" << radioText << "'";

    std::error_code ec;
    fs::remove_all(station, ec);
}

}  // namespace
