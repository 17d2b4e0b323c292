// What a receiver makes of the tool's output: the --groups lines and the EEPROM file are
// decoded by the test receiver back into PS pages, RadioTexts and the clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "RdsTestDecoder.h"
#include "ToolRun.h"

namespace {

const std::string CENTRAL_EUROPE = "CET-1CEST,M3.5.0,M10.5.0/3";

std::vector<rdstest::Group> GroupsFromLines(const std::string& out) {
    std::vector<rdstest::Group> groups;
    for (const auto& line : SplitLines(out)) {
        unsigned w[4] = {};
        int used = 0;
        EXPECT_EQ(std::sscanf(line.c_str(), "%4X %4X %4X %4X%n", &w[0], &w[1], &w[2], &w[3], &used), 4);
        EXPECT_EQ(used, 19) << line;  // four words of four digits, single blanks, nothing more
        groups.push_back(rdstest::GroupFromWords(static_cast<uint16_t>(w[0]), static_cast<uint16_t>(w[1]),
                                                 static_cast<uint16_t>(w[2]), static_cast<uint16_t>(w[3])));
    }
    return groups;
}

// The pages in order of arrival, a page repeated in a row counted once, as UTF-8.
std::vector<std::string> DistinctPages(const rdstest::CTestReceiver& receiver) {
    std::vector<std::string> pages;
    for (const auto& p : receiver.psPages) {
        std::string shown = rdstest::RdsToUtf8(p);
        if (pages.empty() || pages.back() != shown) pages.push_back(shown);
    }
    return pages;
}

std::string Padded(const std::string& utf8, size_t blanks) { return utf8 + std::string(blanks, ' '); }

class RoundTrip : public ::testing::Test {
protected:
    TempFolder dir;

    void SetUp() override {
        // CP1252 bytes, as the station's editor saves them.
        dir.Write("RDS.TXT",
                  "; Orvane FM\r\n"
                  "PI=8A51\r\nPTY=0A\r\nMS=01\r\nDI=01\r\n"
                  "AFDEF=00,E3\r\nAFDEF=01,63\r\n"
                  "PSN=\"ORVANE|  FM  |%TITLE%|LISBOA\"\r\n"
                  "TXT0=\"Orvane FM - a m\xFAsica de Lisboa\"\r\n"
                  "TXT1=\"Agora: %TITLE%\"\r\n"
                  "GROUP4A=01\r\n.ASYNCLOAD\r\n");
        dir.Write("status.htm",
                  "<HTML><HEAD><TITLE>A tocar</TITLE></HEAD><BODY>\r\n"
                  "<FONT COLOR=\"#FFCC00\" FACE=>_03In\xEAs Tavares - Can\xE7\xE3o da Ribeira.mp3"
                  "</FONT></BODY>\r\n</HTML>\r\n");
    }
};

TEST_F(RoundTrip, GroupsDecodeIntoThePagesAndTextsThatWereSet) {
    ToolResult r = RunEncodeTool({"--dir", dir.Path(), "--title", dir.Path() + "/STATUS.HTM", "--at",
                                  "2026-12-06 13:34", "--groups", "-o", dir.Path() + "/e2.bin"},
                                 CENTRAL_EUROPE);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Set title = \"_03Inês Tavares - Canção da Ribeira\"\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find(" - ERROR"), std::string::npos) << r.err;

    std::vector<rdstest::Group> groups = GroupsFromLines(r.out);
    rdstest::CTestReceiver receiver;
    receiver.FeedAll(groups);
    for (const auto& g : groups) {
        EXPECT_EQ(g.Pi(), 0x8A51);
        EXPECT_EQ(g.Pty(), 10);
    }
    std::vector<std::string> pages = DistinctPages(receiver);
    ASSERT_GE(pages.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(pages.begin(), pages.begin() + 7),
              (std::vector<std::string>{"ORVANE  ", "  FM    ", "Inês Tav", "ares - C", "anção da",
                                        "Ribeira ", "LISBOA  "}));
    EXPECT_EQ(rdstest::RdsToUtf8(receiver.radioText[0]), Padded("Orvane FM - a música de Lisboa", 34));
    EXPECT_EQ(rdstest::RdsToUtf8(receiver.radioText[1]),
              Padded("Agora: Inês Tavares - Canção da Ribeira.mp3", 21));
    EXPECT_EQ(receiver.radioTextGroups[0], 16);
    EXPECT_EQ(receiver.radioTextGroups[1], 16);
    ASSERT_EQ(receiver.clockTimes.size(), 1u);
    EXPECT_EQ(receiver.clockTimes[0].mjd, 61380);
    EXPECT_EQ(receiver.clockTimes[0].hour, 12);
    EXPECT_EQ(receiver.clockTimes[0].offsetHalfHours, 2);

    // The EEPROM file holds the same groups, every block with a sound checkword.
    std::string e2 = dir.Read("e2.bin");
    ASSERT_GE(e2.size(), 2u);
    size_t count = static_cast<uint8_t>(e2[0]) | static_cast<uint8_t>(e2[1]) << 8;
    ASSERT_EQ(count, groups.size());
    ASSERT_EQ(e2.size(), 2 + 13 * count);
    std::vector<rdstest::Group> decoded =
        rdstest::DecodeImage(reinterpret_cast<const uint8_t*>(e2.data()) + 2, static_cast<int>(13 * count));
    ASSERT_EQ(decoded.size(), count);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_TRUE(decoded[i].valid) << "record " << i;
        for (int b = 0; b < 4; ++b) EXPECT_EQ(decoded[i].blocks[b].info, groups[i].blocks[b].info);
    }
}

TEST_F(RoundTrip, WithoutATitleThePlaceholderPageDisappears) {
    ToolResult r = RunEncodeTool({"--dir", dir.Path(), "--title", dir.Path() + "/none.htm", "--at",
                                  "2026-12-06 13:34", "--groups"},
                                 CENTRAL_EUROPE);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("no title taken from"), std::string::npos) << r.err;
    rdstest::CTestReceiver receiver;
    receiver.FeedAll(GroupsFromLines(r.out));
    std::vector<std::string> pages = DistinctPages(receiver);
    ASSERT_GE(pages.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(pages.begin(), pages.begin() + 3),
              (std::vector<std::string>{"ORVANE  ", "  FM    ", "LISBOA  "}));
    // 57 characters of source; the zero fill has no RDS character and arrives as blanks.
    EXPECT_EQ(receiver.radioText[1], Padded("Agora: ", 57));
}

TEST(ShippedDemo, CodesCleanlyAndFitsItsEeprom) {
    TempFolder out;
    std::string demo = ORVANE_DEMO_DIR;
    ToolResult r = RunEncodeTool({"--dir", demo, "--title", demo + "/STATUS.HTM", "--at",
                                  "2026-12-06 13:34", "--groups", "-o", out.Path() + "/e2.bin"},
                                 CENTRAL_EUROPE);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find(" - ERROR"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Set title = \"Inês Tavares - Canção da Ribeira\""), std::string::npos);
    // Its DEF.INI declares a 4096-byte EEPROM (EEPROMSIZE=1000).
    EXPECT_LE(out.Read("e2.bin").size(), 4096u);
    rdstest::CTestReceiver receiver;
    receiver.FeedAll(GroupsFromLines(r.out));
    std::vector<std::string> pages = DistinctPages(receiver);
    EXPECT_NE(std::find(pages.begin(), pages.end(), "97.4 MHz"), pages.end());
    EXPECT_NE(std::find(pages.begin(), pages.end(), "Inês Tav"), pages.end());
    EXPECT_EQ(receiver.clockTimes.size(), 1u);
}

}  // namespace
