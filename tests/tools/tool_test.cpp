// The offline encoder as a user runs it, and the system clock it reads local times with.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "RdsTestDecoder.h"
#include "SystemClock.h"
#include "TestSupport.h"

// Central Europe: one hour east of UTC in winter, two in summer (POSIX rule, no tzdata needed).
const std::string CET = "CET-1CEST,M3.5.0,M10.5.0/3";

struct ToolResult { int exitCode; std::string out, err; };

// Runs the built tool through the shell with TZ set for that run only.
ToolResult RunTool(const std::vector<std::string>& args) {
    TempFolder capture;
    std::string command = "TZ='" + CET + "' '" ORVANE_ENCODE_TOOL "'";
    for (const auto& a : args) command += " '" + a + "'";  // no test argument holds a quote
    const int status = std::system((command + " >" + capture.path + "/out 2>" + capture.path + "/err").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, capture.Read("out"), capture.Read("err")};
}

TEST(EncodeTool, BadArgumentsExitWithTwoHelpListsEveryOptionNoCommandFileCodesNothingAndTheDemoRoundTrips) {
    TempFolder dir;
    const struct { std::vector<std::string> args; std::string message; int exitCode = 2; } cases[] = {
        {{"extra"}, "unknown argument \"extra\""}, {{"-o"}, "option -o needs a value"},
        {{"--dir", dir.Write("plain-file", "x")}, "cannot read the folder"},
        {{"--at", "2026-12-06T13:34"}, "expected \"YYYY-MM-DD HH:MM\""}, {{"--at", "2026-12-06 24:00"}, "no such date"},
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
    const char* options[] = {"--dir DIR", "--title FILE", "--at TIME", "-o FILE", "--groups", "--version", "--help",
                             "(default: .)", "(default: none)", "(default: the system clock)", "(default: off)"};
    for (const char* text : options) EXPECT_NE(help.out.find(text), std::string::npos) << text;
    // A folder without RDS.TXT is the command file's logged case: an empty image, not a failure.
    const ToolResult missing = RunTool({"--dir", dir.path, "-o", dir.path + "/e2.bin", "--groups"});
    EXPECT_NE(missing.err.find("Ficheiro RDS.TXT Inexistente.\n"), std::string::npos) << missing.err;
    EXPECT_EQ(std::to_string(missing.exitCode) + missing.out + dir.Read("e2.bin"), "0" + std::string(2, '\0'));

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
    const struct { const char* zone; std::time_t t; const char* text; std::vector<int> expected = {}; } cases[] = {
        {"CET-1", 1796560496, nullptr, {0x13, 0x34, 0x56, 0, 0x20, 0x26, 0x12, 0x06, 2026, 12, 6, 12, 34, 60}},
        {CET.c_str(), 0, "2026-12-06 00:30", {0x00, 0x30, 0, 0, 0x20, 0x26, 0x12, 0x06, 2026, 12, 5, 23, 30, 60}},
        {CET.c_str(), 0, "2026-03-29 03:00", {0x03, 0x00, 0, 1, 0x20, 0x26, 0x03, 0x29, 2026, 3, 29, 1, 0, 120}},
        {"<-03>3", 0, "2026-12-06 22:30", {0x22, 0x30, 0, 0, 0x20, 0x26, 0x12, 0x06, 2026, 12, 7, 1, 30, -180}},
        {"UTC0", 0, "2023-02-29 12:00"}, {"UTC0", 0, "2100-01-01 00:00"}, {"UTC0", 0, ""},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        ClockReading r = c.text ? ClockReading{} : ClockReadingAt(c.t);
        std::string error;
        EXPECT_EQ(!c.text || ClockReadingForLocalTime(c.text, r, error), !c.expected.empty()) << c.text;
        EXPECT_EQ(error.empty(), !c.expected.empty()) << c.text;  // a refusal says why
        const std::vector<int> got = {r.hour, r.minute, r.second, r.dst, r.century, r.year, r.month, r.day,
                                      r.utcYear, r.utcMonth, r.utcDay, r.utcHour, r.utcMinute, r.utcOffsetMinutes};
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
