// The image through the model: optional groups in their slots after the text, the minute
// refresh, and a full image.

#include <gtest/gtest.h>

#include <algorithm>

#include "RdsTestDecoder.h"
#include "TestSupport.h"

namespace {

const std::string RT64 = "Bom dia! Musica, noticias e transito a cada meia hora na sua FM.";

class Image : public testing::Test {
protected:
    void SetUp() override {
        m.Run("PI=C201");
        m.Run("PSN=\"ABCDEFGH\"");
        m.Run("TXT0=\"" + RT64 + "\"");
        m.Run("DEF1ATIME=15:2130");
    }
    // As the flag commands do: no build, no refresh.
    void Flags(uint8_t flags) {
        m.Run(std::string("GROUP4A=0") + (HasFlag(flags, GroupFlag::ClockTime) ? "1" : "0"));
        m.Run(std::string("TIMEINPSN=0") + (HasFlag(flags, GroupFlag::ClockPs) ? "1" : "0"));
        m.Run(std::string("GROUP1A=0") + (HasFlag(flags, GroupFlag::ProgrammeItem) ? "1" : "0"));
    }
    void Build(uint8_t flags) {
        Flags(flags);
        r.Rebuild();
    }
    void At(int hour, int minute, int second = 0, bool refresh = true, int day = 6) {  // one hour east of UTC
        m.clock.Set(CFixedClock::FromLocal(2026, 12, day, hour, minute, second, 60));
        refresh ? r.RefreshClock() : static_cast<void>(r.GetClockText());
    }
    std::vector<uint8_t> Bytes() const { return {r.GetImage(), r.GetImage() + IMAGE_CAPACITY}; }
    [[nodiscard]] rdstest::CTestReceiver Receive() const { return ::Receive(r); }

    TestModel m;  // 13:34 local
    CRdsModel& r = m.model;
};

}  // namespace

TEST_F(Image, OptionalGroupsFollowTheTextAndGroupsSwitchedOnLaterAreAppendedThenRewritten) {
    const std::string pages = Pages(5);
    const struct {
        uint8_t built, flags;
        int records;
        std::string last;
    } cases[] = {
        // after 28 text groups
        {0x00, 0x00, 28, ""},
        {0x00, 0x01, 29, "CT "},
        {0x00, 0x04, 29, "PIN "},
        {0x00, 0x07, 50, pages + "CT PIN "},       // appended in refresh order
        {0x03, 0x07, 50, "CT " + pages + "PIN "},  // the new 1A lands after the rewritten groups
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.built} << " then " << int{c.flags});
        At(13, 34, 0, false);
        Build(c.built);
        Flags(c.flags);
        for (int minute : {40, 41}) {
            At(13, minute);
            EXPECT_EQ(r.GetImageLength(), c.records * RECORD_BYTES);
            const rdstest::CTestReceiver rx = Receive();
            EXPECT_EQ(rx.order.substr(rx.order.size() - c.last.size()), c.last);
            EXPECT_EQ(rx.clockTimes.empty() ? -1 : rx.clockTimes[0].minute, c.flags & 1 ? minute : -1);
            const std::string clockPage = "  13:" + std::to_string(minute) + " ";
            EXPECT_EQ(!rx.psPages.empty() && rx.psPages.back() == clockPage, (c.flags & 2) != 0);
            EXPECT_EQ(rx.programmeItems, std::vector<uint16_t>(c.flags >> 2, 32094));  // 15 * 2048 + 21 * 64 + 30
        }
    }
}

TEST_F(Image, RefreshRewritesOnlyTheClockRecordsOncePerMinuteAndAFullImageEndsInBounds) {
    At(13, 34, 0, false);
    Build(7);
    At(13, 34);
    const std::vector<uint8_t> before = Bytes();
    At(13, 34, 59, true, 7);  // a refresh in the same minute rewrites nothing, not even a new date
    EXPECT_EQ(Bytes(), before);
    At(13, 35);  // only the clock records, between the text and the 1A record, change
    EXPECT_EQ(Receive().clockTimes.at(0).minute, 35);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 28 * RECORD_BYTES, r.GetImage()));
    EXPECT_TRUE(std::equal(before.begin() + 49 * RECORD_BYTES, before.end(), r.GetImage() + 49 * RECORD_BYTES));
    At(13, 36, 0, false);
    r.SetGroupFlags(7);  // same flags, same minute as last read: still rewritten now
    EXPECT_EQ(Receive().clockTimes.at(0).minute, 36);
    At(13, 36, 0, false, 7);
    r.SetGroupFlags(0);  // the minute is stored before the flags are looked at
    Flags(7);
    At(13, 36, 30, true, 7);
    EXPECT_EQ(Receive().clockTimes.at(0).day, 6) << "same minute as the flags were switched off";
    Flags(0);
    const std::vector<uint8_t> frozen = Bytes();
    At(13, 37);
    EXPECT_EQ(Bytes(), frozen);
    EXPECT_EQ(r.GetImageLength(), 650) << "the groups stay until the next build";

    // Clock pages repeat by count: text page once, no clock page; twice (flags exactly 2) and
    // one; once (200 is negative) and 200.
    m.Run("TXT0=\"\"");
    const struct {
        uint8_t repeat;
        int records;
    } cases[] = {{0, 4}, {1, 8 + 4}, {200, 4 + 800}};
    for (const auto& c : cases) {
        r.SetPsRepeat(c.repeat);
        Build(0x02);
        At(14, c.repeat % 60);
        EXPECT_EQ(r.GetImageLength(), c.records * RECORD_BYTES) << int{c.repeat};
    }
    // A full image drops the partial record and nothing is written past the end.
    m.Run("PSN=\"" + std::string(1023, '|') + "\"");  // 1024 blank pages
    m.Run("TXT1=\"" + RT64 + "\"");
    r.SetPsRepeat(127);
    Build(7);
    EXPECT_EQ(r.GetImageLength(), IMAGE_CAPACITY);
    EXPECT_EQ(r.GetRecordCount(), 2519) << "32759 / 13, the last 12 bytes not counted";
    EXPECT_TRUE(Receive().clockTimes.empty()) << "no room was left for the optional groups";
    const std::vector<uint8_t> full = Bytes();
    At(15, 0);
    EXPECT_EQ(Bytes(), full);
}

TEST_F(Image, APsPageTooLongIsCutSoPsAndRadioTextStayOnAir) {
    EXPECT_EQ(r.ExecuteCommand("PSN=\"RADIO ORVANE|%TITLE%\"").remark,
              "P\xE1gina do PS \"RADIO ORVANE\" com mais de 8 caracteres: cortada para \"RADIO OR\".");
    EXPECT_EQ(r.ExecuteCommand("PSN=\"RADIO OR|%TITLE%\"").remark, "");
    EXPECT_EQ(r.ExecuteCommand("PSN=\"RADIO|123456789\"").remark,
              "P\xE1gina do PS \"123456789\" com mais de 8 caracteres: cortada para \"12345678\".");
    r.ExecuteCommand("PSN=\"RADIO ORVANE\"");
    r.SetPsTitle("Title of|the song");  // title pages are cut to size already: no remark for them
    r.Rebuild();
    const rdstest::CTestReceiver rx = Receive();
    ASSERT_FALSE(rx.psPages.empty());
    EXPECT_EQ(rx.psPages.front(), "RADIO OR");
    EXPECT_EQ(rx.radioText[0], RT64);
}
