// The group coder and the image, read back by the test receiver. Expected values are worked
// out by hand, from the calendar, from the interleaving rule or by the system's CP1252 converter.

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <map>

#include "BlockCoder.h"
#include "RdsCharset.h"
#include "RdsTestDecoder.h"
#include "TestSupport.h"

const std::string RT64 = "Bom dia! Musica, noticias e transito a cada meia hora na sua FM.";

std::string Pages(int n) {  // the group tags of n whole PS pages in a row
    std::string order;
    while (n-- > 0) order += "P0 P1 P2 P3 ";
    return order;
}

class Coder : public testing::Test {
protected:
    void SetUp() override {
        r.m_psnText = "ABCDEFGH";
        std::copy(RT64.begin(), RT64.end(), r.m_txt0Text.begin());
        r.m_pinDay = 0x15;
        r.m_pinHourMinute = 0x2130;
    }
    void Build(uint8_t flags) {  // on an image that shows any byte written where nothing should be
        r.m_image.fill(0xEE);
        r.m_groupFlags = flags;
        r.ResetLayout();
        r.BuildImage();
    }
    void At(int hour, int minute, int second = 0, bool refresh = true) {  // local, one hour east of UTC
        m.clock.Set(CFixedClock::FromLocal(2026, 12, 6, hour, minute, second, 60));
        refresh ? r.RefreshClock() : r.ReadClock();
    }
    std::vector<uint8_t> Bytes() const { return {r.GetImage(), r.GetImage() + IMAGE_CAPACITY}; }
    rdstest::CTestReceiver Receive(int length = -1) const {
        rdstest::CTestReceiver rx;
        rx.FeedAll(rdstest::DecodeImage(r.GetImage(), length < 0 ? r.GetImageLength() : length));
        EXPECT_EQ(rx.invalidGroups, 0);
        return rx;
    }

    TestModel m;  // 13:34 local
    CRdsModel& r = m.model;
};

TEST_F(Coder, CheckwordRowsOffsetWordsWorkedRecordsPsBlock2FlagsAndTheCharacterTable) {
    // x^25 .. x^10 mod g(x), by long division on paper.
    const std::array<uint16_t, 16> rows = {0x077, 0x2E7, 0x3AF, 0x30B, 0x359, 0x370, 0x1B8, 0x0DC,
                                           0x06E, 0x037, 0x2C7, 0x3BF, 0x303, 0x35D, 0x372, 0x1B9};
    EXPECT_EQ(CheckwordRows(), rows);
    EXPECT_EQ(OffsetWords(), (std::array<uint16_t, 8>{0x0FC, 0x198, 0x168, 0x350, 0x1B4, 0x000, 0x194, 0x000}));
    r.m_pi = 0x1234;  // 13:34 at UTC+1 is 12:34 UTC with offset +2 half hours
    r.m_groupFlags = 0x01;
    ASSERT_TRUE(r.EncodePsGroup(0, 'A', 'B'));
    r.m_imageLength = RECORD_BYTES;  // the clock time goes after the text, as in a build
    r.EncodeClockTimeGroup();
    std::vector<uint8_t> worked = {0x12, 0x34, 0x1A, 0x80, 0x00, 0x19, 0x8C, 0xDC, 0xDA, 0xCD, 0x05, 0x08, 0xCA,
                                   0x12, 0x34, 0x1A, 0x90, 0x00, 0x6C, 0x6D, 0xF8, 0x8B, 0x4F, 0x22, 0x0B, 0x61};
    EXPECT_EQ(std::vector<uint8_t>(r.GetImage(), r.GetImage() + 26), worked);
    worked[6] ^= 0x10;  // one bit of block 3 flipped: the test receiver must notice
    EXPECT_FALSE(rdstest::DecodeRecord(worked.data()).valid);
    r.m_tp = r.m_ta = r.m_ms = 1;
    r.m_pty = 31;
    r.m_di = 0xA;  // segment s carries bit 3 - s: set in segments 0 and 2
    for (int s = 0; s < 4; ++s) ASSERT_TRUE(r.EncodePsGroup(s, 'x', 'y'));
    std::vector<int> blocks;
    for (const auto& g : rdstest::DecodeImage(r.GetImage() + 26, 52)) blocks.push_back(g.valid ? g.info[1] : -1);
    EXPECT_EQ(blocks, std::vector<int>({0x07FC, 0x07F9, 0x07FE, 0x07FB}));  // 00000 TP PTY(5) TA MS DI s(2)

    // Every CP1252 byte goes on air as itself, its plain form or a blank.
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    // Typographic quotes and dashes take their plain forms; any other character the lowest code showing it.
    std::map<std::string, int> codes = {{"‘", '\''}, {"’", '\''}, {"“", '"'}, {"”", '"'}, {"–", '-'}, {"—", '-'}};
    for (int code = 0xFF; code >= 0x20; --code) codes[rdstest::RdsToUtf8({static_cast<char>(code)})] = code;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b), out[8] = {}, *inPtr = &in, *outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        std::string utf8 = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) ? "" : std::string(out, outPtr);
        const auto code = codes.find(utf8);  // else a blank
        EXPECT_EQ(RdsCharFromCp1252(in), code == codes.end() ? ' ' : code->second) << "CP1252 0x" << std::hex << b;
    }
    iconv_close(cd);
}

TEST_F(Coder, ClockTimeIsUtcAroundMidnightDaylightSavingLeapDayAnd2038WithTheLocalOffsetAndReadAfresh) {
    // Local time and zone -> what the receiver decodes: MJD, UTC date and time, half hours.
    const struct { int y, mo, d, h, mi, zone; bool dst; std::vector<int> received; } cases[] = {
        {2026, 1, 1, 0, 30, 60, false, {61040, 2025, 12, 31, 23, 30, 2}},      // east: UTC still in the old year
        {2025, 12, 31, 23, 30, -300, false, {61041, 2026, 1, 1, 4, 30, -10}},  // west: UTC already in the new
        {2026, 3, 29, 2, 0, 60, true, {61128, 2026, 3, 29, 1, 0, 2}},          // first summer minute
        {2026, 12, 6, 5, 0, 330, false, {61379, 2026, 12, 5, 23, 30, 11}},     // half-hour zone
        {2024, 2, 28, 12, 0, 0, false, {60368, 2024, 2, 28, 12, 0, 0}},
        {2024, 2, 29, 23, 59, 0, false, {60369, 2024, 2, 29, 23, 59, 0}},
        {2024, 3, 1, 12, 0, 0, false, {60370, 2024, 3, 1, 12, 0, 0}},
        {2038, 4, 22, 12, 0, 0, false, {65535, 2038, 4, 22, 12, 0, 0}},
        {2038, 4, 23, 12, 0, 0, false, {65536, 2038, 4, 23, 12, 0, 0}},  // MJD bit 16 goes into block 2
    };
    r.m_tp = r.m_groupFlags = 1;  // TP and the clock-time group on
    r.m_pty = 10;
    for (const auto& c : cases) {
        m.clock.Set(CFixedClock::FromLocal(c.y, c.mo, c.d, c.h, c.mi, 0, c.zone, c.dst));
        r.ReadClock();
        r.ResetLayout();
        r.EncodeClockTimeGroup();
        const rdstest::ClockTime t = Receive(RECORD_BYTES).clockTimes.at(0);
        EXPECT_EQ(std::vector<int>({t.mjd, t.year, t.month, t.day, t.hour, t.minute, t.offsetHalfHours}), c.received);
        EXPECT_EQ(rdstest::DecodeRecord(r.GetImage()).info[1], 0x4000 | 1 << 10 | 10 << 5 | c.received[0] >> 15);
    }
    // The clock text and time read the clock again at each query, the daylight-saving flag last.
    for (const char* text : {"06-12-2026+05:08:4400", "06-12-2026+05:08:4401"}) {
        m.clock.Set(CFixedClock::FromLocal(2026, 12, 6, 5, 8, 44, 0, text[20] == '1'));
        EXPECT_EQ(m.model.GetClockText(), text);
        int hms[3] = {-1, -1, -1};
        m.model.GetClockTime(hms[0], hms[1], hms[2]);
        EXPECT_EQ(std::vector<int>(hms, hms + 3), std::vector<int>({5, 8, 44}));
    }
}

TEST_F(Coder, TextPassGroupOrdersFromTheInterleavingRuleAndHostileTextsEnd) {
    struct Pass { std::string ps, rt0, rt1; int flags, repeat; std::string order; };
    const auto pass = [this](const Pass& c) {
        r.m_psnText = c.ps;
        r.m_txt0Text.fill('\0');
        r.m_txt1Text.fill('\0');
        std::copy(c.rt0.begin(), c.rt0.end(), r.m_txt0Text.begin());
        std::copy(c.rt1.begin(), c.rt1.end(), r.m_txt1Text.begin());
        r.m_groupFlags = static_cast<uint8_t>(c.flags);
        r.m_psRepeat = static_cast<uint8_t>(c.repeat);
        r.ResetLayout();
        r.EncodeTextGroups();
        EXPECT_EQ(r.m_writePos % RECORD_BYTES, 0);
        return Receive(r.m_writePos).order;
    };
    std::string rtA = "R0 P0 R1 P1 R2 P2 R3 P3 R4 R5 R6 P0 R7 P1 R8 P2 R9 P3 R10 R11 R12 P0 R13 P1 R14 P2 R15 P3 ";
    std::string rtB = "r0 P0 r1 P1 r2 P2 r3 P3 r4 r5 r6 P0 r7 P1 r8 P2 r9 P3 r10 r11 r12 P0 r13 P1 r14 P2 r15 P3 ";
    std::string longPages, highBytes;  // 1023 characters of short pages; every byte above 0x7F in pages of 8
    while (longPages.size() < 1023) longPages += "PAGINA|";
    for (int b = 0x80; b <= 0xFF; ++b) highBytes += std::string(1, static_cast<char>(b)) + (b % 8 == 7 ? "|" : "");
    const Pass cases[] = {
        {"ABCDEFGH", "", "", 0, 5, Pages(1)}, {"", "", "", 0, 5, Pages(1)},  // an empty PS is one blank page
        {"ABCDEFGH", "", "", 2, 2, Pages(3)}, {"ABCDEFGH", "", "", 3, 2, Pages(1)},  // flags 2 repeat one page
        {"X|Y", "", "", 0, 200, Pages(2)}, {"X|Y", "", "", 0, 1, Pages(4)},  // signed: 200 is no repeat
        {"ABCDEFGH", RT64, "", 0, 5, rtA}, {"ABCDEFGH", "", RT64, 0, 5, rtB},  // RadioText 1 alone is B
        {"ABCDEFGHI", RT64, RT64, 0, 5, ""}, {"ABCDEFGH|123456789", "", "", 0, 0, Pages(1)},  // nine letters end it
        {longPages.substr(0, 1023), "", "", 0, 3, Pages(147 * 4)}, {highBytes, "", "", 0, 1, Pages(17 * 2)},
        {"|||", "", "", 0, 0, Pages(4)}, {"AB|", "", "", 0, 0, Pages(2)},
    };
    for (const auto& c : cases) EXPECT_EQ(pass(c), c.order) << c.ps.substr(0, 20);
    const std::string both = pass({"RADIO|XX", "Texto zero", RT64, 0, 0, ""});  // each RadioText whole, text 0 first
    EXPECT_LT(both.find("R15"), both.find("r0"));
}

TEST_F(Coder, OptionalGroupsFollowTheTextAndGroupsSwitchedOnLaterAreAppendedThenRewritten) {
    const std::string pages = Pages(5);
    const struct { uint8_t built, flags; int records; std::string last; } cases[] = {  // after 28 text groups
        {0x00, 0x00, 28, ""}, {0x00, 0x01, 29, "CT "}, {0x00, 0x04, 29, "PIN "},
        {0x00, 0x07, 50, pages + "CT PIN "},       // appended in refresh order
        {0x03, 0x07, 50, "CT " + pages + "PIN "},  // the new 1A lands after the rewritten groups
        {0x01, 0x01, 1, "CT "},                    // a page too long for the text pass: the 4A lies at byte 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.built} << " then " << int{c.flags});
        r.m_psnText = c.records == 1 ? "NOVECHARS" : "ABCDEFGH";
        At(13, 34, 0, false);
        Build(c.built);
        r.m_groupFlags = c.flags;  // as the flag commands do: no build
        for (int minute : {40, 41}) {
            At(13, minute);
            EXPECT_EQ(r.GetImageLength(), c.records * RECORD_BYTES);
            EXPECT_EQ(r.m_image[static_cast<size_t>(c.records * RECORD_BYTES)], 0xEE);
            const rdstest::CTestReceiver rx = Receive();
            EXPECT_EQ(rx.order.substr(rx.order.size() - c.last.size()), c.last);
            EXPECT_EQ(rx.clockTimes.empty() ? -1 : rx.clockTimes[0].minute, c.flags & 1 ? minute : -1);
            const std::string clockPage = "  13:" + std::to_string(minute) + " ";
            EXPECT_EQ(!rx.psPages.empty() && rx.psPages.back() == clockPage, (c.flags & 2) != 0);
            EXPECT_EQ(rx.programmeItems, std::vector<uint16_t>(c.flags >> 2, 32094));  // 15 * 2048 + 21 * 64 + 30
        }
    }
}

TEST_F(Coder, RefreshRewritesOnlyTheClockRecordsOncePerMinuteAndAFullImageEndsInBounds) {
    Build(7);
    At(13, 34);
    const std::vector<uint8_t> before = Bytes();
    r.m_image[28 * RECORD_BYTES] ^= 0xFF;  // a refresh in the same minute must not mend this
    At(13, 34, 59);
    r.m_image[28 * RECORD_BYTES] ^= 0xFF;
    EXPECT_EQ(Bytes(), before);
    At(13, 35);  // only the clock records, between the text and the 1A record, change
    EXPECT_EQ(Receive().clockTimes.at(0).minute, 35);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 28 * RECORD_BYTES, r.GetImage()));
    EXPECT_TRUE(std::equal(before.begin() + 49 * RECORD_BYTES, before.end(), r.GetImage() + 49 * RECORD_BYTES));
    At(13, 36, 0, false);
    r.SetGroupFlags(7);  // same flags, same minute as last read: still rewritten now
    EXPECT_EQ(Receive().clockTimes.at(0).minute, 36);
    r.SetGroupFlags(0);
    EXPECT_EQ(r.m_lastRefreshTime, 0x1336) << "stored before the flags are looked at";
    const std::vector<uint8_t> frozen = Bytes();
    At(13, 37);
    EXPECT_EQ(Bytes(), frozen);
    EXPECT_EQ(r.GetImageLength(), 650) << "the groups stay until the next build";

    // Clock pages repeat by count; a full image drops the partial record and nothing is written past the end.
    r.m_txt0Text.fill('\0');
    // Text page once, no clock page; twice (flags exactly 2) and one; once (200 is negative) and 200.
    const struct { uint8_t repeat; int records; } cases[] = {{0, 4}, {1, 8 + 4}, {200, 4 + 800}};
    for (const auto& c : cases) {
        r.m_psRepeat = c.repeat;
        Build(0x02);
        At(14, c.repeat % 60);
        EXPECT_EQ(r.GetImageLength(), c.records * RECORD_BYTES) << int{c.repeat};
    }
    r.m_psnText = std::string(1023, '|');  // 1024 blank pages
    std::copy(RT64.begin(), RT64.end(), r.m_txt1Text.begin());
    r.m_psRepeat = 127;
    Build(7);
    EXPECT_EQ(std::make_pair(r.GetImageLength(), int{r.m_writePos}), std::make_pair(IMAGE_CAPACITY, IMAGE_CAPACITY));
    EXPECT_EQ(r.GetRecordCount(), 2519) << "32759 / 13, the last 12 bytes not counted";
    EXPECT_TRUE(Receive().clockTimes.empty()) << "no room was left for the optional groups";
    const std::vector<uint8_t> full = Bytes();
    At(15, 0);
    EXPECT_EQ(Bytes(), full);
}
