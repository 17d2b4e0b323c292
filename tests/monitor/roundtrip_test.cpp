// The coder and the receiver together: random station data coded into an image and read
// back, damaged records, content the chip cannot hold, and receiver captures.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "Cp1252.h"
#include "EepromDecoder.h"
#include "ImageComparison.h"
#include "MonitorSupport.h"
#include "RdsModel.h"
#include "RdsTestDecoder.h"

namespace {

// The CP1252 characters that have an RDS code of their own, found through the test
// receiver's table; quotes, '|' and '%' are left out as the command language gives them meaning.
std::string CharactersWithOwnCode() {
    std::string own;
    for (int cp = 0x21; cp < 0x100; ++cp) {
        const std::string c(1, static_cast<char>(cp));
        if (c == "\"" || c == "|" || c == "%") continue;
        for (int code = 0x21; code < 0x100; ++code) {
            if (rdstest::RdsToUtf8(std::string(1, static_cast<char>(code))) == Cp1252ToUtf8(c)) {
                own += c;
                break;
            }
        }
    }
    return own;
}

struct Station {
    int pi, pty, tp, ta, ms, di;
    std::vector<std::string> pages;
    std::string rtA, rtB;
    int year, month, day, hour, minute, offsetMinutes;
};

std::string RandomText(std::mt19937& random, const std::string& alphabet, size_t length) {
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string text;
    for (size_t i = 0; i < length; ++i) text += alphabet[pick(random)];
    return text;
}

Station RandomStation(std::mt19937& random, const std::string& alphabet) {
    auto in = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    Station s{in(1, 0xFFFF),  in(0, 31), in(0, 1),  in(0, 1),  in(0, 1),  in(0, 15),       {}, {}, {},
              in(2001, 2037), in(1, 12), in(1, 28), in(0, 23), in(0, 59), in(-24, 28) * 30};
    for (int n = in(1, 4); n > 0; --n) s.pages.push_back(RandomText(random, alphabet, 8));
    s.rtA = RandomText(random, alphabet, static_cast<size_t>(in(1, 64)));
    if (in(0, 1) == 1) s.rtB = RandomText(random, alphabet, static_cast<size_t>(in(1, 64)));
    return s;
}

std::string Hex(int value, int digits) {
    char text[8];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::vector<uint8_t> Content(const CRdsModel& model) {
    const int length = model.GetRecordCount() * RECORD_BYTES;
    std::vector<uint8_t> content(static_cast<size_t>(EEPROM_HEADER_BYTES + length));
    content[0] = static_cast<uint8_t>(model.GetRecordCount() & 0xFF);
    content[1] = static_cast<uint8_t>(model.GetRecordCount() >> 8);
    std::copy_n(model.GetImage(), length, content.begin() + EEPROM_HEADER_BYTES);
    return content;
}

OnAirReport DecodeContent(const std::vector<uint8_t>& content) {
    const EepromDecoding decoding = DecodeEeprom(content.data(), static_cast<int>(content.size()));
    EXPECT_EQ(decoding.fault, EepromFault::None) << decoding.why;
    return decoding.report;
}

}  // namespace

TEST(RoundTrip, RandomStationsComeBackAsTheyWentIn) {
    const std::string alphabet = CharactersWithOwnCode();
    ASSERT_GT(alphabet.size(), 150u);  // ASCII less three, and the accented letters of Western Europe
    std::mt19937 random(20261206);
    for (int run = 0; run < 40; ++run) {
        const Station s = RandomStation(random, alphabet);
        CFixedClock clock(CFixedClock::FromLocal(s.year, s.month, s.day, s.hour, s.minute, 0, s.offsetMinutes));
        CRdsModel model(clock);
        std::string psn;
        for (const std::string& page : s.pages) psn += (psn.empty() ? "" : "|") + page;
        for (const std::string& line :
             {"PI=" + Hex(s.pi, 4), "PTY=" + Hex(s.pty, 2), "TP=0" + std::to_string(s.tp),
              "TA=0" + std::to_string(s.ta), "MS=0" + std::to_string(s.ms), "DI=" + Hex(s.di, 2), "PSN=\"" + psn + "\"",
              "TXT0=\"" + s.rtA + "\"", "TXT1=\"" + s.rtB + "\"", std::string("GROUP4A=01")}) {
            ASSERT_EQ(model.ExecuteCommand(line.c_str()).executed, 1) << line;
        }
        model.Rebuild();
        const OnAirReport report = DecodeContent(Content(model));
        SCOPED_TRACE("run " + std::to_string(run) + " PS " + psn);
        ASSERT_TRUE(report.pi.has_value());
        EXPECT_EQ(*report.pi, s.pi);
        EXPECT_EQ(report.pty, s.pty);
        EXPECT_EQ(report.tp, s.tp == 1);
        EXPECT_EQ(report.ta, s.ta == 1);
        EXPECT_EQ(report.ms, s.ms == 1);
        EXPECT_EQ(report.di, s.di);
        EXPECT_EQ(report.psPages, s.pages);
        EXPECT_EQ(report.radioText[0], std::optional<std::string>(s.rtA));
        EXPECT_EQ(report.radioText[1], s.rtB.empty() ? std::nullopt : std::optional<std::string>(s.rtB));
        ASSERT_TRUE(report.clock.has_value());
        EXPECT_EQ(*report.clock, (OnAirClock{s.year, s.month, s.day, s.hour, s.minute, s.offsetMinutes}));
        EXPECT_TRUE(report.badRecords.empty());
    }
}

TEST(RoundTrip, RtPlusTagsTheTitleTheStationPlays) {
    CFixedClock clock(CFixedClock::FromLocal(2026, 12, 7, 21, 0, 0, 0));
    CRdsModel model(clock);
    for (const char* line : {"PI=8A51", "TXT0=\"Orvane FM\"", "TXT1=\"Agora: %TITLE%\"", "RTPLUS=1"}) {
        ASSERT_EQ(model.ExecuteCommand(line).executed, 1) << line;
    }
    model.SetRtTitle("In\xEAs Tavares - Can\xE7\xE3o da Ribeira");
    model.Rebuild();
    const OnAirReport report = DecodeContent(Content(model));
    EXPECT_EQ(report.radioText[1], std::optional<std::string>("Agora: In\xEAs Tavares - Can\xE7\xE3o da Ribeira"));
    ASSERT_TRUE(report.rtPlus[1].has_value());
    std::map<int, std::string> byType;
    for (const OnAirRtPlusTag& tag : report.rtPlus[1]->tags) byType[tag.contentType] = tag.text;
    EXPECT_EQ(byType, (std::map<int, std::string>{{1, "Can\xE7\xE3o da Ribeira"}, {4, "In\xEAs Tavares"}}));
    EXPECT_TRUE(report.rtPlus[1]->running);
    ASSERT_TRUE(report.rtPlus[0].has_value());  // the fixed text is sent with empty tags
    EXPECT_TRUE(report.rtPlus[0]->tags.empty());
}

TEST(DamagedRecords, OneFlippedBitHidesThatRecordAndNamesItsAddress) {
    // One page, then a clock group (record 4) and a programme item (record 5).
    const std::vector<Words> groups = {{0xC3A5, 0x0000, 0xCDCD, 0x4F52}, {0xC3A5, 0x0001, 0xCDCD, 0x5641},
                                       {0xC3A5, 0x0002, 0xCDCD, 0x4E45}, {0xC3A5, 0x0003, 0xCDCD, 0x2020},
                                       {0xC3A5, 0x4001, 0xDF88, 0xC882}, {0xC3A5, 0x1000, 0xC3A5, 0x7D5E}};
    const std::vector<uint8_t> clean = EepromOf(groups);
    const OnAirReport whole = DecodeContent(clean);
    ASSERT_TRUE(whole.clock && whole.item);
    for (const int record : {4, 5}) {
        for (int bit = 0; bit < RECORD_BYTES * 8; ++bit) {
            std::vector<uint8_t> damaged = clean;
            damaged[static_cast<size_t>(RecordAddress(record) + bit / 8)] ^= static_cast<uint8_t>(0x80 >> bit % 8);
            const OnAirReport report = DecodeContent(damaged);
            OnAirReport expected = whole;
            if (record == 4) expected.clock.reset();
            else expected.item.reset();
            expected.badRecords = {RecordAddress(record)};
            EXPECT_EQ(report, expected) << "record " << record << " bit " << bit;
        }
    }
    // A damaged PS segment takes its page off the display and shows in the warning.
    std::vector<uint8_t> damaged = clean;
    damaged[static_cast<size_t>(RecordAddress(1) + 12)] ^= 0x01;
    const OnAirReport report = DecodeContent(damaged);
    EXPECT_TRUE(report.psPages.empty());
    EXPECT_EQ(OnAirLines(report).back(), "WARNING 1 record(s) fail their checkwords, not shown, at 0x000F");
}

TEST(EepromFaults, CountsAndContentTheChipCannotHold) {
    std::vector<uint8_t> blank(4096, 0xFF);
    EXPECT_EQ(DecodeEeprom(blank.data(), 4096).fault, EepromFault::CountPastEnd);

    std::vector<uint8_t> tooMany = EepromOf({{0xC3A5, 0x0000, 0xCDCD, 0x4F52}});
    tooMany[0] = 2;  // two claimed, one there
    EXPECT_EQ(DecodeEeprom(tooMany.data(), static_cast<int>(tooMany.size())).fault, EepromFault::CountPastEnd);

    std::vector<uint8_t> foreign(4096, 0x00);
    foreign[0] = 10;  // ten records of zero bytes: no block carries an offset word
    const EepromDecoding decoding = DecodeEeprom(foreign.data(), 4096);
    EXPECT_EQ(decoding.fault, EepromFault::Foreign);
    EXPECT_EQ(decoding.report.badRecords.size(), 10u);

    std::vector<uint8_t> empty(4096, 0xFF);
    empty[0] = empty[1] = 0;
    EXPECT_EQ(DecodeEeprom(empty.data(), 4096).fault, EepromFault::None);
}

TEST(EepromFaults, BytesNotReadBackAreNeitherShownNorTrusted) {
    const std::vector<uint8_t> content = EepromOf({{0xC3A5, 0x4001, 0xDF88, 0xC882}, {0xC3A5, 0x1000, 0xC3A5, 0x7D5E}});
    std::vector<uint8_t> readBack(content.size(), 1);
    readBack[static_cast<size_t>(RecordAddress(0) + 7)] = 0;
    const EepromDecoding decoding = DecodeEeprom(content.data(), static_cast<int>(content.size()), readBack.data());
    EXPECT_FALSE(decoding.report.clock.has_value());
    EXPECT_TRUE(decoding.report.item.has_value());
    EXPECT_EQ(decoding.report.unreadRecords, std::vector<int>{RecordAddress(0)});

    readBack[1] = 0;
    EXPECT_EQ(DecodeEeprom(content.data(), static_cast<int>(content.size()), readBack.data()).fault,
              EepromFault::CountUnread);
}

TEST(Captures, HexLinesDecodeAsTheRecordsWould) {
    const std::string capture =
        "# captured\n"
        "C3A5 0548 E363 4F52\n"
        "c3a5 0549 8949 5641\r\n"
        "\n"
        "C3A5 054A CDCD 4E45\n"
        "C3A5 054F CDCD 2020\n"
        "C3A5 ---- DF88 C882\n";
    const EepromDecoding decoding = DecodeGroupLines(capture);
    EXPECT_EQ(decoding.fault, EepromFault::None);
    EXPECT_EQ(decoding.report.psPages, std::vector<std::string>{"ORVANE  "});
    EXPECT_EQ(decoding.report.afKhz, (std::vector<int>{97400, 101200, 94800}));
    EXPECT_EQ(decoding.report.badRecords, std::vector<int>{7});  // by line number
    EXPECT_EQ(OnAirLines(decoding.report).back(), "WARNING 1 group(s) with a lost block, not shown, on line(s) 7");
    EXPECT_FALSE(decoding.report.clock.has_value());

    for (const char* bad : {"C3A5 0548 E363\n", "C3A5 0548 E363 4F52 0000\n", "C3A5 0548 E363 4FZ2\n", "C3A5054"}) {
        EXPECT_EQ(DecodeGroupLines(bad).fault, EepromFault::BadLine) << bad;
    }
}

TEST(Json, KeysOfTheCommonDecoders) {
    const OnAirReport report = DecodeContent(EepromOf({{0x8A51, 0x0548, 0xE363, 0x4F22},
                                                       {0x8A51, 0x0549, 0x8949, 0x5641},
                                                       {0x8A51, 0x054A, 0xCDCD, 0x4E45},
                                                       {0x8A51, 0x054F, 0xCDCD, 0x2080},
                                                       {0x8A51, 0x2540, 0x4F69, 0x0D20},
                                                       {0x8A51, 0x4541, 0xDF88, 0xC882}}));
    // 0x22 is the quotation mark and 0x80 the a with acute accent in the RDS table.
    EXPECT_EQ(OnAirJson(report),
              "{\"pi\":\"0x8A51\",\"pty\":10,\"prog_type\":\"Pop music\",\"tp\":true,\"ta\":false,"
              "\"is_music\":true,\"di\":1,\"ps\":[\"O\\\"VANE \xC3\xA1\"],\"radiotext\":{\"A\":\"Oi\"},"
              "\"clock_time\":\"2026-12-06T13:34:00+01:00\",\"alt_frequencies_a\":[97400,101200,94800],"
              "\"groups\":6,\"bad_records\":[]}");
}

TEST(ImageComparison, WhereTheChipPartsFromTheImage) {
    const std::vector<uint8_t> image = {0xC3, 0xA5, 0x1A, 0x80, 0x00, 0x19, 0x8C, 0xDC, 0xDA, 0xCD, 0x05, 0x08, 0xCA,
                                        0xC3, 0xA5, 0x1A, 0x90, 0x00, 0x6C, 0x6D, 0xF8, 0x8B, 0x4F, 0x22, 0x0B, 0x61};
    std::vector<uint8_t> chip(EEPROM_HEADER_BYTES + image.size());
    chip[0] = 2;  // two records, low byte first
    std::copy(image.begin(), image.end(), chip.begin() + EEPROM_HEADER_BYTES);
    const std::vector<uint8_t> allRead(chip.size(), 1);
    const auto compare = [&](const std::vector<uint8_t>& c, const std::vector<uint8_t>& readBack) {
        return CompareWithImage(c.data(), readBack.data(), static_cast<int>(c.size()), image.data(), 2);
    };
    EXPECT_FALSE(compare(chip, allRead).Any());

    std::vector<uint8_t> notKept = chip;
    notKept[20] ^= 0x10;
    notKept[24] ^= 0x01;
    EXPECT_EQ(compare(notKept, allRead), (ImageDifference{2, 20, false, 2, 2}));

    std::vector<uint8_t> unread = allRead;
    unread[7] = 0;  // the right value, never read back: not known to be on air
    EXPECT_EQ(compare(chip, unread), (ImageDifference{1, 7, false, 2, 2}));

    std::vector<uint8_t> shortCount = chip;
    shortCount[0] = 1;
    EXPECT_EQ(compare(shortCount, allRead), (ImageDifference{0, -1, false, 1, 2}));
    unread = allRead;
    unread[1] = 0;
    EXPECT_TRUE(compare(chip, unread).countUnread);
}
