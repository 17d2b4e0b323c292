// The offline encoder as a user runs it: arguments, exit codes, the EEPROM file and --groups.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ToolRun.h"

namespace {

// Central Europe: one hour east of UTC in winter, two in summer (POSIX rule, no tzdata needed).
const std::string CENTRAL_EUROPE = "CET-1CEST,M3.5.0,M10.5.0/3";

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

TEST(EncodeTool, BadArgumentsAndUnreadableFoldersExitWithTwo) {
    TempFolder dir;
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--bogus"}, "unknown argument \"--bogus\""},
        {{"extra"}, "unknown argument \"extra\""},
        {{"--dir"}, "option --dir needs a value"},
        {{"-o"}, "option -o needs a value"},
        {{"--title", ""}, "needs a non-empty value"},
        {{"--groups=yes"}, "option --groups takes no value"},
        {{"--dir", dir.Path() + "/missing"}, "cannot read the folder"},
        {{"--dir", dir.Write("plain-file", "x")}, "cannot read the folder"},
        {{"--dir", dir.Path(), "--at", "2026-12-06"}, "expected \"YYYY-MM-DD HH:MM\""},
        {{"--dir", dir.Path(), "--at", "2026-12-06T13:34"}, "expected \"YYYY-MM-DD HH:MM\""},
        {{"--dir", dir.Path(), "--at", "2026-13-01 10:00"}, "no such date or time"},
        {{"--dir", dir.Path(), "--at", "2023-02-29 10:00"}, "no such date or time"},
        {{"--dir", dir.Path(), "--at", "2026-12-06 24:00"}, "no such date or time"},
        {{"--dir", dir.Path(), "--at", "2026-03-29 02:30"}, "does not exist in this time zone"},
    };
    for (const auto& c : cases) {
        ToolResult r = RunEncodeTool(c.args, CENTRAL_EUROPE);
        std::string shown = c.args.front() + (c.args.size() > 1 ? " " + c.args.back() : "");
        EXPECT_EQ(r.exitCode, 2) << shown;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << "\n" << r.err;
        EXPECT_NE(r.err.find("usage: orvane-encode"), std::string::npos) << shown;
        EXPECT_EQ(r.out, "") << shown;
    }
}

TEST(EncodeTool, HelpListsEveryOptionWithItsDefault) {
    ToolResult r = RunEncodeTool({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* option : {"--dir DIR", "--title FILE", "--at TIME", "-o FILE", "--groups",
                               "--version", "--help"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
    for (const char* deflt : {"(default: .)", "(default: none)", "(default: the system clock)",
                              "(default: off)"}) {
        EXPECT_NE(r.out.find(deflt), std::string::npos) << deflt;
    }
    ToolResult v = RunEncodeTool({"--version"});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out, std::string("orvane-encode ") + ORVANE_VERSION + "\n");
}

TEST(EncodeTool, MissingCommandFileIsLoggedAndGivesAnEmptyImage) {
    TempFolder dir;
    ToolResult r = RunEncodeTool({"--dir", dir.Path(), "-o", dir.Path() + "/e2.bin", "--groups"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("Ficheiro RDS.TXT Inexistente.\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.Read("e2.bin"), Bytes({0x00, 0x00}));
}

TEST(EncodeTool, UnwritableOutputExitsWithOne) {
    TempFolder dir;
    dir.Write("RDS.TXT", "PI=1234\n");
    ToolResult r = RunEncodeTool({"--dir", dir.Path(), "-o", dir.Path() + "/no/such/e2.bin"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}

TEST(EncodeTool, WritesRecordCountThenRecords) {
    TempFolder dir;
    // Lower-case name, CRLF lines and a comment, as a station folder may well hold them.
    dir.Write("rds.txt", "; test station\r\nPI=1234\r\nPSN=\"AB\"\r\nXYZ\r\n");
    ToolResult r = RunEncodeTool({"--dir", dir.Path(), "--at", "2026-12-06 13:34", "-o",
                                  dir.Path() + "/e2.bin", "--groups"},
                                 CENTRAL_EUROPE);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("PI=1234 - OK\nPSN=\"AB\" - OK\nXYZ - ERROR\n"), std::string::npos) << r.err;
    // One page "AB" and six blanks: four 0A groups, segment 0 being the worked example.
    std::string e2 = dir.Read("e2.bin");
    ASSERT_EQ(e2.size(), 2u + 4 * 13);
    EXPECT_EQ(e2.substr(0, 2), Bytes({0x04, 0x00}));
    EXPECT_EQ(e2.substr(2, 13),
              Bytes({0x12, 0x34, 0x1A, 0x80, 0x00, 0x19, 0x8C, 0xDC, 0xDA, 0xCD, 0x05, 0x08, 0xCA}));
    EXPECT_EQ(r.out,
              "1234 0000 CDCD 4142\n"
              "1234 0001 CDCD 2020\n"
              "1234 0002 CDCD 2020\n"
              "1234 0003 CDCD 2020\n");
}

TEST(EncodeTool, ClockTimeGroupCarriesUtcAndTheZonesOffset) {
    TempFolder dir;
    dir.Write("RDS.TXT", "PI=1234\nPSN=\"ABCDEFGH\"\nGROUP4A=01\n");
    struct Case {
        std::string zone, at, words;
    };
    const Case cases[] = {
        // 13:34 one hour east of UTC: 12:34 UTC on MJD 61380, offset +2 half hours.
        {CENTRAL_EUROPE, "2026-12-06 13:34", "1234 4001 DF88 C882"},
        // Summer time: 12:34 local is 10:34 UTC on MJD 61222, offset +4.
        {CENTRAL_EUROPE, "2026-07-01 12:34", "1234 4001 DE4C A884"},
        // Three hours west, late evening: already 01:30 of the next day in UTC, offset -6.
        {"<-03>3", "2026-12-06 22:30", "1234 4001 DF8A 17A6"},
    };
    for (const auto& c : cases) {
        ToolResult r = RunEncodeTool({"--dir", dir.Path(), "--at", c.at, "--groups", "-o",
                                      dir.Path() + "/e2.bin"},
                                     c.zone);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::string> lines = SplitLines(r.out);
        ASSERT_EQ(lines.size(), 5u) << r.out;
        EXPECT_EQ(lines[4], c.words) << c.at;
    }
    // The record of the first case, bit for bit.
    ToolResult r = RunEncodeTool({"--dir", dir.Path(), "--at", "2026-12-06 13:34", "-o",
                                  dir.Path() + "/e2.bin"},
                                 CENTRAL_EUROPE);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(dir.Read("e2.bin").substr(2 + 4 * 13),
              Bytes({0x12, 0x34, 0x1A, 0x90, 0x00, 0x6C, 0x6D, 0xF8, 0x8B, 0x4F, 0x22, 0x0B, 0x61}));
}

}  // namespace
