// The offline encoder as a user runs it, and the system clock it reads local times with.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "RdsTestDecoder.h"
#include "SystemClock.h"
#include "TestSupport.h"

// Central Europe: one hour east of UTC in winter, two in summer (POSIX rule, no tzdata needed).
const std::string CET = "CET-1CEST,M3.5.0,M10.5.0/3";

struct ToolResult {
    int exitCode;
    std::string out, err;
};

// Runs the built tool through the shell with TZ set for that run only, after the shell
// commands of `setup`; a tool that blocks is stopped after 10 s and fails its test.
ToolResult RunTool(const std::vector<std::string>& args, const std::string& setup = "") {
    TempFolder capture;
    std::string command = setup + "TZ='" + CET + "' timeout 10 '" ORVANE_ENCODE_TOOL "'";
    for (const auto& a : args) command += " '" + a + "'";  // no test argument holds a quote
    const int status = std::system((command + " >" + capture.path + "/out 2>" + capture.path + "/err").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, capture.Read("out"), capture.Read("err")};
}

TEST(EncodeTool, BadArgumentsExitWithTwoHelpListsEveryOptionAndTheDemoRoundTrips) {
    TempFolder dir;
    dir.Write("RDS.TXT", "PI=C201\n");
    const struct {
        std::vector<std::string> args;
        std::string message;
        int exitCode = 2;
    } cases[] = {
        {{"extra"}, "unknown argument \"extra\""},
        {{"-o"}, "option -o needs a value"},
        {{"--dir", dir.Write("plain-file", "x")}, "cannot read the folder"},
        {{"--at", "2026-12-06T13:34"}, "expected \"YYYY-MM-DD HH:MM\""},
        {{"--at", "2026-03-29 02:30"}, "does not exist in this time zone"},
        {{"--dir", dir.path, "-o", dir.path + "/no/such/e2.bin"}, "cannot write", 1},
    };
    for (const auto& c : cases) {
        const ToolResult r = RunTool(c.args);
        EXPECT_EQ(std::to_string(r.exitCode) + r.out, std::to_string(c.exitCode)) << c.message;  // nothing on stdout
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("usage: orvane-encode") != std::string::npos, c.exitCode == 2) << c.message;
    }
    const ToolResult help = RunTool({"--help"}), version = RunTool({"--version"});
    EXPECT_EQ(version.out, std::string("orvane-encode ") + ORVANE_VERSION + "\n");
    EXPECT_EQ(help.exitCode + version.exitCode, 0);
    const char* options[] = {
        "--dir DIR",     "--title FILE", "--at TIME",    "-o FILE",         "--groups",
        "--version",     "--help",       "(default: .)", "(default: none)", "(default: the system clock)",
        "(default: off)"};
    for (const char* text : options) EXPECT_NE(help.out.find(text), std::string::npos) << text;

    // The shipped demo round-trips into its RadioTexts, the title's accents coded to the RDS table, and clock.
    const ToolResult r = RunTool({"--dir", ORVANE_DEMO_DIR, "--title", ORVANE_DEMO_DIR "/status.htm", "--at",
                                  "2026-12-06 13:34", "--groups", "-o", dir.path + "/e2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The EEPROM file: the record count, low byte first, then records whose words are the printed lines.
    const std::string e2 = dir.Read("e2");
    ASSERT_GE(e2.size(), 2u);
    const auto* bytes = reinterpret_cast<const uint8_t*>(e2.data());
    const auto records = rdstest::DecodeImage(bytes + 2, static_cast<int>(e2.size() - 2));
    EXPECT_EQ(bytes[0] | bytes[1] << 8, static_cast<int>(records.size()));
    EXPECT_EQ(e2.size(), 2 + 13 * records.size());
    std::string words;
    for (const auto& g : records) {
        EXPECT_TRUE(g.valid && g.info[0] == 0x8A51 && (g.info[1] >> 5 & 0x1F) == 10) << "checkwords, PI 8A51, PTY 10";
        char line[32];
        std::snprintf(line, sizeof line, "%04X %04X %04X %04X\n", g.info[0], g.info[1], g.info[2], g.info[3]);
        words += line;
    }
    EXPECT_EQ(words, r.out);
    rdstest::CTestReceiver rx;
    rx.FeedAll(records);
    EXPECT_EQ(rdstest::RdsToUtf8(rx.radioText[0] + rx.radioText[1]),
              "Orvane FM 97.4 - a música de Lisboa, 24 horas por dia" + std::string(11, ' ') +
                  "Agora: Inês Tavares - Canção da Ribeira.mp3" + std::string(21, ' '));
    const auto& ct = rx.clockTimes.at(0);
    EXPECT_EQ(std::vector<int>({ct.mjd, ct.hour, ct.offsetHalfHours, static_cast<int>(rx.clockTimes.size())}),
              std::vector<int>({61380, 12, 2, 1}));
}

TEST(SystemClock, ReadingsOfAnInstantAndOfALocalTimeText) {
    // Local BCD hour, minute, second, DST, century, year, month, day; then UTC date, time and offset in minutes.
    const struct {
        const char* zone;
        std::time_t t;
        const char* text;
        std::vector<int> expected = {};
    } cases[] = {
        {"CET-1", 1796560496, nullptr, {0x13, 0x34, 0x56, 0, 0x20, 0x26, 0x12, 0x06, 2026, 12, 6, 12, 34, 60}},
        {CET.c_str(), 0, "2026-12-06 00:30", {0x00, 0x30, 0, 0, 0x20, 0x26, 0x12, 0x06, 2026, 12, 5, 23, 30, 60}},
        {CET.c_str(), 0, "2026-03-29 03:00", {0x03, 0x00, 0, 1, 0x20, 0x26, 0x03, 0x29, 2026, 3, 29, 1, 0, 120}},
        {"<-03>3", 0, "2026-12-06 22:30", {0x22, 0x30, 0, 0, 0x20, 0x26, 0x12, 0x06, 2026, 12, 7, 1, 30, -180}},
        {"UTC0", 0, "2023-02-29 12:00"},
        {"UTC0", 0, "2100-01-01 00:00"},
        {"UTC0", 0, ""},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        ClockReading r = c.text ? ClockReading{} : ClockReadingAt(c.t);
        std::string error;
        EXPECT_EQ(!c.text || ClockReadingForLocalTime(c.text, r, error), !c.expected.empty()) << c.text;
        EXPECT_EQ(error.empty(), !c.expected.empty()) << c.text;  // a refusal says why
        const std::vector<int> got = {
            r.hour, r.minute,  r.second,   r.dst,    r.century, r.year,      r.month,
            r.day,  r.utcYear, r.utcMonth, r.utcDay, r.utcHour, r.utcMinute, r.utcOffsetMinutes};
        EXPECT_EQ(c.expected.empty() ? c.expected : got, c.expected);
    }
}

// The tool gives the image the server gives at start-up: DEF.INI's RPSN= (found whatever the
// name's case) repeats the PS pages; without DEF.INI the model's own count, 5, holds.
TEST(EncodeTool, ReadsThePsRepeatFromTheFoldersDefIniAndSaysSoInItsHelp) {
    TempFolder dir;
    dir.Write("RDS.TXT", "PI=C201\nPSN=\"RADIO|XX\"\n");
    const auto records = [&dir] {
        const ToolResult r = RunTool({"--dir", dir.path, "--at", "2026-12-06 13:34", "--groups"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return std::count(r.out.begin(), r.out.end(), '\n');
    };
    EXPECT_EQ(records(), 2 * 6 * 4);  // two pages, each sent once and repeated 5 times, four groups a page
    dir.Write("def.ini", "[RDS]RPSN=1\n[RDS]PORT=0\n");
    EXPECT_EQ(records(), 2 * 2 * 4);
    dir.Write("def.ini", "[RDS]PORT=0\n");  // a DEF.INI without RPSN= changes nothing
    EXPECT_EQ(records(), 2 * 6 * 4);
    const ToolResult help = RunTool({"--help"});
    EXPECT_NE(help.out.find("DEF.INI"), std::string::npos);
    EXPECT_NE(help.out.find("RPSN="), std::string::npos);
}

// Each field of --at out of its limits is named with them; the edges themselves are taken.
TEST(EncodeTool, AnAtTimeOutOfRangeNamesTheFieldAndItsLimits) {
    const struct {
        const char* at;
        std::string message;
    } refused[] = {
        {"2100-01-01 00:00", "year must be 1900..2099"},       {"1899-12-31 23:59", "year must be 1900..2099"},
        {"2026-00-10 12:00", "month must be 01..12"},          {"2026-13-10 12:00", "month must be 01..12"},
        {"2026-02-29 12:00", "day must be 01..28 in 2026-02"}, {"2028-02-30 12:00", "day must be 01..29 in 2028-02"},
        {"2026-04-31 12:00", "day must be 01..30 in 2026-04"}, {"2026-12-00 12:00", "day must be 01..31 in 2026-12"},
        {"2026-12-06 24:00", "hour must be 00..23"},           {"2026-12-06 13:60", "minute must be 00..59"},
    };
    for (const auto& c : refused) {
        const ToolResult r = RunTool({"--at", c.at});
        EXPECT_EQ(r.exitCode, 2) << c.at;
        EXPECT_NE(r.err.find("--at: " + c.message + ", got \"" + c.at + "\""), std::string::npos) << r.err;
    }
    // The last minute of 2099 in CET is 22:59 UTC on day 88068 (51544 for 2000-01-01, plus
    // 36524 days); the first of 2000-03-01 is 23:00 UTC on 29 February, day 51544 + 59.
    TempFolder dir;
    dir.Write("RDS.TXT", "PI=C201\nGROUP4A=01\n");
    const struct {
        const char* at;
        int mjd, hour, minute;
    } taken[] = {{"2099-12-31 23:59", 88068, 22, 59}, {"2000-03-01 00:00", 51603, 23, 0}};
    for (const auto& c : taken) {
        const ToolResult r = RunTool({"--dir", dir.path, "--at", c.at, "-o", dir.path + "/e2"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string e2 = dir.Read("e2");
        rdstest::CTestReceiver rx;
        rx.FeedAll(
            rdstest::DecodeImage(reinterpret_cast<const uint8_t*>(e2.data()) + 2, static_cast<int>(e2.size() - 2)));
        ASSERT_FALSE(rx.clockTimes.empty()) << c.at;
        const auto& ct = rx.clockTimes.front();
        EXPECT_EQ(std::vector<int>({ct.mjd, ct.hour, ct.minute}), std::vector<int>({c.mjd, c.hour, c.minute})) << c.at;
    }
}

// Without the station's commands the image would be the defaults (PI 0000, a blank PS):
// nothing is printed or written, a previous image stays, and the cause is said.
TEST(EncodeTool, ACommandFileThatIsMissingOrUnreadableGivesExitOneAndNoImage) {
    TempFolder dir;
    const std::string station = dir.path + "/station";
    std::filesystem::create_directory(station);
    const struct {
        const char* what;
        std::string setup, cause;
    } cases[] = {
        {"missing", "", "Ficheiro RDS.TXT Inexistente.\n"},
        {"folder", "mkdir '" + station + "/RDS.TXT'", "Ficheiro RDS.TXT ileg\u00EDvel: \u00E9 uma pasta\n"},
        {"FIFO", "mkfifo '" + station + "/RDS.TXT'",
         "Ficheiro RDS.TXT ileg\u00EDvel: n\u00E3o \u00E9 um ficheiro normal\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(station + "/RDS.TXT");
        const std::string previous = dir.Write("e2.bin", "GOOD");
        const ToolResult r = RunTool({"--dir", station, "--groups", "-o", previous},
                                     c.setup.empty() ? "" : c.setup + "; ");
        EXPECT_EQ(r.exitCode, 1) << c.what << r.err;
        EXPECT_EQ(r.out + dir.Read("e2.bin"), "GOOD") << c.what;
        EXPECT_NE(r.err.find(c.cause), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("orvane-encode: no image: \"" + station + "/RDS.TXT\""), std::string::npos) << r.err;
    }
}

TEST(EncodeTool, AFailedImageWriteKeepsThePreviousFileAndAFifoTitleIsSkipped) {
    TempFolder dir;
    dir.Write("RDS.TXT", "PI=C201\nPSN=\"A|B|C|D\"\n");  // 96 records, 1250 bytes
    const std::string image = dir.Write("e2.bin", "GOOD");
    // A file size limit of one block (512 bytes for sh, room for the log) fails the image's
    // write half-way, as a disk that fills up does.
    const ToolResult full = RunTool({"--dir", dir.path, "-o", image}, "trap '' XFSZ; ulimit -f 1; ");
    EXPECT_EQ(full.exitCode, 1) << full.err;
    EXPECT_NE(full.err.find("cannot write \"" + image + "\""), std::string::npos) << full.err;
    EXPECT_EQ(dir.Read("e2.bin"), "GOOD");
    const auto entries = std::distance(std::filesystem::directory_iterator(dir.path), {});
    EXPECT_EQ(entries, 2) << "no temporary file left behind";

    // A FIFO as the status file is no title; the image is still written, and replaces the old one.
    const std::string fifo = dir.path + "/status.htm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const ToolResult r = RunTool({"--dir", dir.path, "--title", fifo, "-o", image});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("no title taken from"), std::string::npos) << r.err;
    const std::string e2 = dir.Read("e2.bin");
    ASSERT_EQ(e2.size() % 13, 2u);
    const auto records = rdstest::DecodeImage(reinterpret_cast<const uint8_t*>(e2.data()) + 2,
                                              static_cast<int>(e2.size() - 2));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().info[0], 0xC201);
    // The mode a plain new file gets here, not the temporary file's private one.
    const std::string plain = dir.Write("plain", "x");
    EXPECT_EQ(std::filesystem::status(image).permissions(), std::filesystem::status(plain).permissions());
}
