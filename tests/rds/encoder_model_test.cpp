// A new model's defaults and the clock fields it reads, shows and hands to the groups.

#include <gtest/gtest.h>

#include "RdsModel.h"

namespace {

TEST(ModelDefaults, NewModelIsQuietAndEmpty) {
    CFixedClock clock(CFixedClock::FromLocal(2026, 12, 6, 5, 8, 44, 0));
    CRdsModel model(clock);
    for (uint8_t af : model.m_af) {
        EXPECT_EQ(af, 205);
    }
    EXPECT_EQ(model.m_psRepeat, 5);
    EXPECT_EQ(model.m_pi, 0);
    EXPECT_EQ(model.m_groupFlags, 0);
    EXPECT_EQ(model.m_tp | model.m_ta | model.m_ms | model.m_pty | model.m_di, 0);
    EXPECT_TRUE(model.m_psnText.empty());
    EXPECT_EQ(model.m_txt0Text[0], '\0');
    EXPECT_EQ(model.m_txt1Text[0], '\0');
    EXPECT_EQ(model.GetImageLength(), 0);
    EXPECT_EQ(model.m_lastRefreshTime, 0);
    EXPECT_EQ(model.m_clockHourMinute, 0x0508) << "the clock is read once on construction";
    EXPECT_EQ(CRdsModel::GetImageCapacity(), 32759);
}

TEST(ModelClock, TextAndNumbersOfTheReading) {
    const struct {
        ClockReading reading;
        const char* text;
        int hour, minute, second;
    } cases[] = {
        {CFixedClock::FromLocal(2026, 12, 6, 5, 8, 44, 0), "06-12-2026+05:08:4400", 5, 8, 44},
        {CFixedClock::FromLocal(2026, 7, 31, 23, 59, 59, 60, true), "31-07-2026+23:59:5901",
         23, 59, 59},
        {CFixedClock::FromLocal(1999, 1, 1, 0, 0, 0, 0), "01-01-1999+00:00:0000", 0, 0, 0},
    };
    for (const auto& c : cases) {
        CFixedClock clock;
        CRdsModel model(clock);
        clock.Set(c.reading);  // read again by each call, not only at construction
        EXPECT_EQ(model.GetClockText(), c.text);
        int h = -1, m = -1, s = -1;
        model.GetClockTime(h, m, s);
        EXPECT_EQ(h, c.hour);
        EXPECT_EQ(m, c.minute);
        EXPECT_EQ(s, c.second);
    }
}

}  // namespace
