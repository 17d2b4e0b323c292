// The receiver on single blocks and records: syndromes, the worked records, clock times
// around midnight, programme items and the character table read back.

#include <gtest/gtest.h>

#include "BlockCheck.h"
#include "Cp1252.h"
#include "EepromDecoder.h"
#include "MonitorSupport.h"
#include "RdsCharset.h"
#include "RdsTestDecoder.h"
#include "Receiver.h"

namespace {

OnAirReport Decode(const std::vector<Words>& groups) {
    const std::vector<uint8_t> content = EepromOf(groups);
    const EepromDecoding decoding = DecodeEeprom(content.data(), static_cast<int>(content.size()));
    EXPECT_EQ(decoding.fault, EepromFault::None) << decoding.why;
    return decoding.report;
}

uint32_t Block(uint16_t info, uint16_t check) { return static_cast<uint32_t>(info) << 10 | check; }

}  // namespace

TEST(BlockCheck, WorkedCheckFieldsNameTheirOffsetWord) {
    struct Case {
        uint16_t info, check;
        OffsetWord offset;
    };
    const Case cases[] = {
        {0x1234, 0x06A, OffsetWord::A},  // 0x1234 coded with offset A
        {0x0000, 0x198, OffsetWord::B}, {0x0000, 0x0FC, OffsetWord::A},      {0x0000, 0x1B4, OffsetWord::D},
        {0x0000, 0x168, OffsetWord::C}, {0x0000, 0x350, OffsetWord::CPrime},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OffsetOfBlock(Block(c.info, c.check)), c.offset) << std::hex << c.info << ' ' << c.check;
    }
}

TEST(BlockCheck, EveryFlippedBitOfABlockIsSeen) {
    const uint32_t clean = Block(0x1234, 0x06A);
    for (int bit = 0; bit < BLOCK_BITS; ++bit) {
        EXPECT_FALSE(OffsetOfBlock(clean ^ 1u << bit).has_value()) << "bit " << bit;
    }
}

TEST(BlockCheck, WorkedPsRecordGivesItsWords) {
    const uint8_t record[13] = {0x12, 0x34, 0x1A, 0x80, 0x00, 0x19, 0x8C, 0xDC, 0xDA, 0xCD, 0x05, 0x08, 0xCA};
    const ReceivedGroup group = DecodeRecord(record);
    EXPECT_TRUE(group.intact);
    EXPECT_EQ(group.info, (Words{0x1234, 0x0000, 0xCDCD, 0x4142}));
}

TEST(BlockCheck, WorkedClockRecordReadsLocalTimeOneHourEast) {
    const std::vector<uint8_t> content = {1,    0,    0x12, 0x34, 0x1A, 0x90, 0x00, 0x6C,
                                          0x6D, 0xF8, 0x8B, 0x4F, 0x22, 0x0B, 0x61};
    const EepromDecoding decoding = DecodeEeprom(content.data(), static_cast<int>(content.size()));
    ASSERT_TRUE(decoding.report.clock.has_value());
    const std::vector<std::string> lines = OnAirLines(decoding.report);
    EXPECT_EQ(lines.at(0), "PI 1234 PTY 0 TP 0 TA 0 MS 0 DI 0");
    EXPECT_EQ(lines.at(1), "CT 2026-12-06 13:34 +01:00");
}

TEST(ClockTime, LocalTimeCrossesMidnightAndMonthEnds) {
    struct Case {
        const char* name;
        uint16_t block3, block4;  // block 2 is 0x4001: MJD bit 15 set for all of these dates
        const char* shown;
    };
    const Case cases[] = {
        // MJD 61405 (2026-12-31), 23:30 UTC, eight half hours east
        {"east into the new year", 0xDFBB, 0x7788, "CT 2027-01-01 03:30 +04:00"},
        // MJD 61406 (2027-01-01), 00:15 UTC, six half hours west
        {"west back into the old year", 0xDFBC, 0x03E6, "CT 2026-12-31 21:15 -03:00"},
        // MJD 60370 (2024-03-01), 00:10 UTC, two half hours west: back to the leap day
        {"west back to a leap day", 0xD7A4, 0x02A2, "CT 2024-02-29 23:10 -01:00"},
        // MJD 61380 (2026-12-06), 20:00 UTC, eleven half hours east
        {"half-hour zone past midnight", 0xDF89, 0x400B, "CT 2026-12-07 01:30 +05:30"},
        // MJD 61380, 12:34 UTC, no offset
        {"UTC itself", 0xDF88, 0xC880, "CT 2026-12-06 12:34 +00:00"},
    };
    for (const Case& c : cases) {
        const OnAirReport report = Decode({{0xC3A5, 0x4001, c.block3, c.block4}});
        const std::vector<std::string> lines = OnAirLines(report);
        EXPECT_EQ(lines.at(1), c.shown) << c.name;
    }
}

TEST(ClockTime, ImpossibleTimeIsNotShown) {
    // 24:00 UTC and minute 60 are no times a receiver takes.
    EXPECT_FALSE(Decode({{0xC3A5, 0x4001, 0xDF89, 0x8000}}).clock.has_value());
    EXPECT_FALSE(Decode({{0xC3A5, 0x4001, 0xDF88, 0x1F00}}).clock.has_value());
}

TEST(ProgrammeItem, WorkedItemNumber) {
    // Day 15, 21:30 is 15 x 2048 + 21 x 64 + 30 = 32094 = 0x7D5E; block 3 repeats the PI.
    const OnAirReport report = Decode({{0x1234, 0x1000, 0x1234, 0x7D5E}});
    ASSERT_TRUE(report.item.has_value());
    EXPECT_EQ(*report.item, (OnAirItem{15, 21, 30}));
    EXPECT_EQ(OnAirLines(report).back(), "PIN day 15 21:30");
    EXPECT_FALSE(Decode({{0x1234, 0x1000, 0x1234, 0x0000}}).item.has_value());  // day 0: none
}

TEST(PsGroups, FlagsPageAndAlternativeFrequencies) {
    // PI C3A5, PTY 10, TP 1, MS 1, DI 0b0001 (segment 3 carries bit 0); AF method A list of
    // three: E3 then 97.4 (99), 101.2 (137), 94.8 (73), filler 205 and the rest.
    const uint16_t b2 = 0x0400 | 10 << 5 | 0x08;
    const OnAirReport report = Decode({{0xC3A5, static_cast<uint16_t>(b2 | 0), 0xE363, 0x4F52},
                                       {0xC3A5, static_cast<uint16_t>(b2 | 1), 0x8949, 0x5641},
                                       {0xC3A5, static_cast<uint16_t>(b2 | 2), 0xCDCD, 0x4E45},
                                       {0xC3A5, static_cast<uint16_t>(b2 | 4 | 3), 0xCDCD, 0x2020}});
    const std::vector<std::string> expected = {"PI C3A5 PTY 10 TP 1 TA 0 MS 1 DI 1", "PS \"ORVANE  \"",
                                               "AF 97.4 101.2 94.8"};
    EXPECT_EQ(OnAirLines(report), expected);
    EXPECT_EQ(report.afKhz, (std::vector<int>{97400, 101200, 94800}));
}

TEST(PsGroups, PageWithAMissingSegmentIsNotShown) {
    const OnAirReport report = Decode(
        {{0xC3A5, 0x0000, 0xCDCD, 0x4142}, {0xC3A5, 0x0001, 0xCDCD, 0x4344}, {0xC3A5, 0x0003, 0xCDCD, 0x4748}});
    EXPECT_TRUE(report.psPages.empty());
}

TEST(PsGroups, LoopOrderFoldsRepeatsAndRestarts) {
    struct Case {
        std::vector<std::string> sent, shown;
    };
    const Case cases[] = {
        {{"A", "A", "A", "B", "B", "B"}, {"A", "B"}},
        {{"A", "B", "C", "A", "B", "C", "A", "B", "C"}, {"A", "B", "C"}},
        {{"A", "B", "A", "B", "A", "B", "K", "K"}, {"A", "B", "K"}},
        {{"A", "B", "A"}, {"A", "B"}},
        {{"A", "B", "C", "B"}, {"A", "B", "C", "B"}},
        {{}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(PagesInLoopOrder(c.sent), c.shown);
}

TEST(RadioText, BothFlagsEndAtCarriageReturn) {
    // "Hi" then CR on flag A; segment 1 of flag B holds "abcd" and segment 0 never came.
    const OnAirReport report = Decode({{0xC3A5, 0x2000, 0x4869, 0x0D20}, {0xC3A5, 0x2011, 0x6162, 0x6364}});
    EXPECT_EQ(report.radioText[0], std::optional<std::string>("Hi"));
    EXPECT_EQ(report.radioText[1], std::optional<std::string>("    abcd"));
}

// "Agora: Artist X - Titles" on flag B in six 2B segments, as a receiver would collect it.
std::vector<Words> TaggedRadioText() {
    const std::string text = "Agora: Artist X - Titles";
    std::vector<Words> groups;
    for (uint16_t segment = 0; segment < 6; ++segment) {
        const auto at = [&](size_t i) { return static_cast<uint16_t>(static_cast<uint8_t>(text[segment * 4 + i])); };
        groups.push_back({0xC3A5, static_cast<uint16_t>(0x2010 | segment), static_cast<uint16_t>(at(0) << 8 | at(1)),
                          static_cast<uint16_t>(at(2) << 8 | at(3))});
    }
    return groups;
}

TEST(RtPlus, WorkedTagGroupMarksArtistAndTitleOfTheRadioTextBeforeIt) {
    // 3A announcing RT+ (AID 4BD7) in 11A, then the worked 11A: running, toggled, ITEM.ARTIST
    // from 7 for 8 characters and ITEM.TITLE from 18 for 6.
    const Words announce{0xC3A5, 0x3016, 0x0000, 0x4BD7}, tags{0xC3A5, 0xB018, 0x838E, 0x0A45};
    std::vector<Words> groups = TaggedRadioText();
    groups.push_back(announce);
    groups.push_back(tags);
    const OnAirReport report = Decode(groups);
    EXPECT_FALSE(report.rtPlus[0].has_value());
    ASSERT_TRUE(report.rtPlus[1].has_value());
    EXPECT_EQ(*report.rtPlus[1], (OnAirRtPlus{true, true, {{4, "Artist X"}, {1, "Titles"}}}));
    const std::vector<std::string> lines = OnAirLines(report);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "RT+ B ITEM.ARTIST \"Artist X\" ITEM.TITLE \"Titles\"");

    // Tags before any announcement are an unknown group; an announcement cannot claim group 2A.
    groups = TaggedRadioText();
    groups.push_back(tags);
    groups.push_back({0xC3A5, 0x3004, 0x0000, 0x4BD7});
    groups.push_back({0xC3A5, 0x2010, 0x5858, 0x5858});
    const OnAirReport unannounced = Decode(groups);
    EXPECT_FALSE(unannounced.rtPlus[1].has_value());
    EXPECT_EQ(unannounced.radioText[1], std::optional<std::string>("XXXXa: Artist X - Titles"));
}

TEST(Charset, EveryRdsCodeReadsBackAsTheTestReceiverShowsIt) {
    // The test receiver's own table gives the character; where CP1252 has it, ours must agree.
    for (int code = 0x20; code < 0x100; ++code) {
        const std::string expected = rdstest::RdsToUtf8(std::string(1, static_cast<char>(code)));
        const char back = Cp1252FromRdsChar(static_cast<uint8_t>(code));
        if (back != '\0') {
            EXPECT_EQ(Cp1252ToUtf8(std::string(1, back)), expected) << "RDS 0x" << std::hex << code;
            EXPECT_EQ(RdsCharFromCp1252(back), code) << "RDS 0x" << std::hex << code;
        }
    }
    // Spot checks by hand from the table: á, ç, €, the currency sign at 0x24, $ at 0xAB.
    EXPECT_EQ(Cp1252FromRdsChar(0x80), '\xE1');
    EXPECT_EQ(Cp1252FromRdsChar(0x9B), '\xE7');
    EXPECT_EQ(Cp1252FromRdsChar(0xA9), '\x80');
    EXPECT_EQ(Cp1252FromRdsChar(0x24), '\xA4');
    EXPECT_EQ(Cp1252FromRdsChar(0xAB), '$');
    EXPECT_EQ(Cp1252FromRdsChar(0xA1), '\0');  // alpha: not in CP1252
}
