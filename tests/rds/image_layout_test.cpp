// Layout of the whole image and the minute refresh of its clock-dependent records.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RdsModel.h"
#include "RdsTestDecoder.h"

namespace {

const std::string RT64 = "Bom dia! Musica, noticias e transito a cada meia hora na sua FM.";

class ImageTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RT64.size(), 64u);
        SetLocal(13, 34);
        model.ReadClock();
        model.m_pi = 0xC201;
        model.m_psnText = "ABCDEFGH";
        std::copy(RT64.begin(), RT64.end(), model.m_txt0Text.begin());
        model.m_pinDay = 0x15;
        model.m_pinHourMinute = 0x2130;
        model.m_image.fill(0xEE);  // shows any byte written where nothing should be
    }

    // Local time in a zone one hour east of UTC.
    void SetLocal(int hour, int minute, int second = 0) {
        clock.Set(CFixedClock::FromLocal(2026, 12, 6, hour, minute, second, 60));
    }

    void Build(uint8_t flags) {
        model.m_groupFlags = flags;
        model.ResetLayout();
        model.BuildImage();
    }

    std::vector<uint8_t> Image() const {
        return {model.GetImage(), model.GetImage() + IMAGE_CAPACITY};
    }

    rdstest::CTestReceiver Receive() const {
        rdstest::CTestReceiver rx;
        rx.FeedAll(rdstest::DecodeImage(model.GetImage(), model.GetImageLength()));
        EXPECT_EQ(rx.invalidGroups, 0);
        return rx;
    }

    // Indices of the image bytes that differ between two copies.
    static std::vector<int> Changed(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        std::vector<int> changed;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i] != b[i]) {
                changed.push_back(static_cast<int>(i));
            }
        }
        return changed;
    }

    CFixedClock clock;
    CRdsModel model{clock};
};

std::vector<std::string> Tail(const std::vector<std::string>& order, size_t from) {
    return {order.begin() + static_cast<long>(std::min(from, order.size())), order.end()};
}

std::vector<std::string> ClockPageTags(int pages) {
    std::vector<std::string> tags;
    for (int i = 0; i < pages * 4; ++i) {
        tags.push_back("P" + std::to_string(i % 4));
    }
    return tags;
}

TEST_F(ImageTest, TextPassAloneWhenNoOptionalGroupIsOn) {
    Build(0);
    EXPECT_EQ(model.GetImageLength(), 28 * RECORD_BYTES);
    EXPECT_FALSE(model.m_slotClockTime.set || model.m_slotClockPs.set ||
                 model.m_slotProgrammeItem.set);
    EXPECT_EQ(model.m_image[28 * RECORD_BYTES], 0xEE);
}

TEST_F(ImageTest, AllOptionalGroupsFollowTheTextPass) {
    Build(7);
    EXPECT_EQ(model.GetImageLength(), 650);
    EXPECT_EQ(model.GetRecordCount() & 0xFF, 0x32);
    EXPECT_EQ(model.GetRecordCount() >> 8, 0x00);
    EXPECT_EQ(model.m_slotClockTime.offset, 28 * RECORD_BYTES);
    EXPECT_EQ(model.m_slotClockPs.offset, 29 * RECORD_BYTES);
    EXPECT_EQ(model.m_slotProgrammeItem.offset, 49 * RECORD_BYTES);

    const rdstest::CTestReceiver rx = Receive();
    std::vector<std::string> expectedTail = {"CT"};
    for (const auto& t : ClockPageTags(5)) {
        expectedTail.push_back(t);
    }
    expectedTail.push_back("PIN");
    EXPECT_EQ(Tail(rx.order, 28), expectedTail);
    EXPECT_EQ(rx.radioText[0], RT64);
    ASSERT_EQ(rx.clockTimes.size(), 1u);
    EXPECT_EQ(rx.clockTimes[0].hour, 12);
    EXPECT_EQ(rx.clockTimes[0].minute, 34);
    EXPECT_EQ(rx.clockTimes[0].offsetHalfHours, 2);
    ASSERT_FALSE(rx.psPages.empty());
    EXPECT_EQ(rx.psPages.back(), "  13:34 ");  // local time on the clock page
    ASSERT_EQ(rx.programmeItems.size(), 1u);
    EXPECT_EQ(rx.programmeItems[0].number, 32094);
}

TEST_F(ImageTest, RefreshRewritesOnlyTheClockRecordsOncePerMinute) {
    Build(7);
    model.RefreshClock();
    const std::vector<uint8_t> built = Image();

    // Damage the 4A record: a refresh in the same minute must not rewrite it.
    model.m_image[28 * RECORD_BYTES] ^= 0xFF;
    const std::vector<uint8_t> damaged = Image();
    SetLocal(13, 34, 59);
    model.RefreshClock();
    EXPECT_EQ(Image(), damaged);

    SetLocal(13, 35);
    model.RefreshClock();
    const std::vector<int> changed = Changed(built, Image());
    ASSERT_FALSE(changed.empty());
    EXPECT_GE(changed.front(), 28 * RECORD_BYTES);
    EXPECT_LT(changed.back(), 49 * RECORD_BYTES) << "the 1A record has nothing new to say";
    EXPECT_EQ(model.GetImageLength(), 650);
    const rdstest::CTestReceiver rx = Receive();
    ASSERT_EQ(rx.clockTimes.size(), 1u);
    EXPECT_EQ(rx.clockTimes[0].minute, 35);
    EXPECT_EQ(rx.psPages.back(), "  13:35 ");
    EXPECT_EQ(rx.programmeItems.size(), 1u);
}

TEST_F(ImageTest, SetGroupFlagsRewritesAtOnceAndZeroStopsRewriting) {
    Build(7);
    SetLocal(13, 36);
    model.ReadClock();
    model.SetGroupFlags(7);  // same flags, same minute as last read: still rewritten now
    EXPECT_EQ(Receive().clockTimes.at(0).minute, 36);

    model.SetGroupFlags(0);
    EXPECT_EQ(model.m_lastRefreshTime, 0x1336) << "stored before the flags are looked at";
    const std::vector<uint8_t> frozen = Image();
    SetLocal(13, 37);
    model.RefreshClock();
    EXPECT_EQ(Image(), frozen);
    EXPECT_EQ(model.GetImageLength(), 650) << "the groups stay until the next build";
}

TEST_F(ImageTest, GroupsSwitchedOnAfterTheBuildAreAppendedAndThenRewrittenInPlace) {
    auto pagesThen = [](std::vector<std::string> head, std::vector<std::string> tail) {
        for (const auto& t : ClockPageTags(5)) {
            head.push_back(t);
        }
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const struct {
        const char* what;
        uint8_t builtFlags, flags;
        int records;
        std::vector<std::string> tail;  // from record 28 on
    } cases[] = {
        {"clock pages", 0x00, 0x02, 48, ClockPageTags(5)},
        {"clock time", 0x00, 0x01, 29, {"CT"}},
        {"programme item", 0x00, 0x04, 29, {"PIN"}},
        {"all three, in refresh order", 0x00, 0x07, 50, pagesThen({}, {"CT", "PIN"})},
        // The rewritten 4A ends inside the clock pages: the new 1A must not land there.
        {"programme item after rewritten groups", 0x03, 0x07, 50, pagesThen({"CT"}, {"PIN"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetLocal(13, 34);
        model.ReadClock();
        model.m_image.fill(0xEE);
        Build(c.builtFlags);
        model.m_groupFlags = c.flags;  // as the flag commands do: no build
        SetLocal(13, 40);
        model.RefreshClock();
        const int grown = c.records * RECORD_BYTES;
        EXPECT_EQ(model.GetImageLength(), grown);
        EXPECT_EQ(Tail(Receive().order, 28), c.tail);

        SetLocal(13, 41);
        model.RefreshClock();
        EXPECT_EQ(model.GetImageLength(), grown);
        const rdstest::CTestReceiver rx = Receive();
        EXPECT_EQ(Tail(rx.order, 28), c.tail);
        if (c.flags & 0x01) {
            EXPECT_EQ(rx.clockTimes.at(0).minute, 41);
        }
        if (c.flags & 0x02) {
            EXPECT_EQ(rx.psPages.back(), "  13:41 ");
        }
        EXPECT_EQ(model.m_image[static_cast<size_t>(grown)], 0xEE);
    }
}

TEST_F(ImageTest, GroupLaidAtByteZeroIsStillRewrittenInPlace) {
    model.m_psnText = "NOVECHARS";  // too long a page: the text pass lays nothing
    model.m_txt0Text.fill('\0');
    Build(0x01);
    ASSERT_EQ(model.GetImageLength(), RECORD_BYTES);
    EXPECT_TRUE(model.m_slotClockTime.set);
    EXPECT_EQ(model.m_slotClockTime.offset, 0);

    SetLocal(13, 50);
    model.RefreshClock();
    EXPECT_EQ(model.GetImageLength(), RECORD_BYTES);
    EXPECT_EQ(model.m_writePos, RECORD_BYTES);
    const rdstest::CTestReceiver rx = Receive();
    ASSERT_EQ(rx.clockTimes.size(), 1u);
    EXPECT_EQ(rx.clockTimes[0].minute, 50);
    EXPECT_EQ(model.m_image[RECORD_BYTES], 0xEE);
}

TEST_F(ImageTest, ClockPageRepeatCountsEndWhateverTheirValue) {
    model.m_txt0Text.fill('\0');
    const struct { uint8_t repeat; int records; } cases[] = {
        {0, 4},            // text page once, no clock page
        {1, 8 + 4},        // text page twice (flags exactly 2), one clock page
        {200, 4 + 800},    // no text repeat (negative), 200 clock pages (a count)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int{c.repeat});
        model.m_psRepeat = c.repeat;
        Build(0x02);
        EXPECT_EQ(model.GetImageLength(), c.records * RECORD_BYTES);
        SetLocal(14, c.repeat % 60);
        model.RefreshClock();
        EXPECT_EQ(model.GetImageLength(), c.records * RECORD_BYTES);
    }
}

TEST_F(ImageTest, FullImageDropsThePartialRecordAndNeverWritesPastTheEnd) {
    std::string pages;
    while (pages.size() < 1023) {
        pages += "PAGINA|";
    }
    pages.resize(1023);
    model.m_psnText = pages;
    std::copy(RT64.begin(), RT64.end(), model.m_txt1Text.begin());
    model.m_psRepeat = 127;
    Build(7);
    EXPECT_EQ(model.GetImageLength(), IMAGE_CAPACITY);
    EXPECT_EQ(model.m_writePos, IMAGE_CAPACITY);
    EXPECT_EQ(model.GetRecordCount(), 2519) << "32759 / 13, the last 12 bytes not counted";
    const rdstest::CTestReceiver rx = Receive();
    EXPECT_EQ(rx.order.size(), 2519u);
    EXPECT_EQ(rx.clockTimes.size(), 0u) << "no room was left for the optional groups";

    const std::vector<uint8_t> full = Image();
    SetLocal(15, 0);
    model.RefreshClock();
    EXPECT_EQ(Image(), full);
    EXPECT_LE(model.m_writePos, IMAGE_CAPACITY);
    EXPECT_EQ(model.GetImageLength(), IMAGE_CAPACITY);
}

}  // namespace
