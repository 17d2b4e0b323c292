// Order of the PS and RadioText groups that the text pass lays down, read back with the
// test receiver. Orders are written out by hand from the interleaving rule.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "RdsModel.h"
#include "RdsTestDecoder.h"

namespace {

std::vector<std::string> Tags(const char* spaced) {
    std::istringstream in(spaced);
    std::vector<std::string> tags;
    for (std::string t; in >> t;) {
        tags.push_back(t);
    }
    return tags;
}

struct Pass {
    rdstest::CTestReceiver rx;
    int length = 0;
};

Pass RunTextPass(const std::string& ps, const std::string& rt0, const std::string& rt1,
                 uint8_t flags, uint8_t repeat) {
    CFixedClock clock;
    CRdsModel model(clock);
    model.m_psnText = ps;
    std::copy(rt0.begin(), rt0.end(), model.m_txt0Text.begin());
    std::copy(rt1.begin(), rt1.end(), model.m_txt1Text.begin());
    model.m_groupFlags = flags;
    model.m_psRepeat = repeat;
    model.ResetLayout();
    model.EncodeTextGroups();
    Pass pass;
    pass.length = model.m_writePos;
    pass.rx.FeedAll(rdstest::DecodeImage(model.GetImage(), pass.length));
    EXPECT_EQ(pass.rx.invalidGroups, 0);
    EXPECT_EQ(pass.length % RECORD_BYTES, 0);
    return pass;
}

const std::string RT64 = "Noticias de hora a hora, transito e tempo: ouca a sua radio ja!!";

TEST(TextPass, GroupOrdersOfTheWorkedCases) {
    ASSERT_EQ(RT64.size(), 64u);
    const char* interleaved =
        "R0 P0 R1 P1 R2 P2 R3 P3 R4 R5 R6 P0 R7 P1 R8 P2 R9 P3 R10 R11 R12 P0 R13 P1 R14 P2 "
        "R15 P3";
    const char* interleavedB =
        "r0 P0 r1 P1 r2 P2 r3 P3 r4 r5 r6 P0 r7 P1 r8 P2 r9 P3 r10 r11 r12 P0 r13 P1 r14 P2 "
        "r15 P3";
    const struct {
        const char* what;
        std::string ps, rt0, rt1;
        uint8_t flags, repeat;
        const char* order;
    } cases[] = {
        {"one page, no RadioText", "ABCDEFGH", "", "", 0, 5, "P0 P1 P2 P3"},
        {"clock pages alone repeat the page", "ABCDEFGH", "", "", 2, 2,
         "P0 P1 P2 P3 P0 P1 P2 P3 P0 P1 P2 P3"},
        {"other flags keep a single page single", "ABCDEFGH", "", "", 3, 2, "P0 P1 P2 P3"},
        {"empty PS is one blank page", "", "", "", 0, 5, "P0 P1 P2 P3"},
        {"repeat 200 is negative: no repeat", "X|Y", "", "", 0, 200,
         "P0 P1 P2 P3 P0 P1 P2 P3"},
        {"repeat 0 with pages", "X|Y", "", "", 0, 0, "P0 P1 P2 P3 P0 P1 P2 P3"},
        {"two pages repeated once", "X|Y", "", "", 0, 1,
         "P0 P1 P2 P3 P0 P1 P2 P3 P0 P1 P2 P3 P0 P1 P2 P3"},
        {"RadioText 0 interleaved", "ABCDEFGH", RT64, "", 0, 5, interleaved},
        {"RadioText 1 alone uses flag B", "ABCDEFGH", "", RT64, 0, 5, interleavedB},
        {"nine letters end the pass at once", "ABCDEFGHI", RT64, RT64, 0, 5, ""},
        {"a long second page ends the pass after the first", "ABCDEFGH|123456789", "", "", 0,
         0, "P0 P1 P2 P3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Pass pass = RunTextPass(c.ps, c.rt0, c.rt1, c.flags, c.repeat);
        EXPECT_EQ(pass.rx.order, Tags(c.order));
    }
}

TEST(TextPass, BothRadioTextsAreSentWholeTextZeroFirst) {
    const Pass pass = RunTextPass("RADIO|XX", "Texto zero", RT64, 0, 0);
    const auto& order = pass.rx.order;
    EXPECT_EQ(pass.rx.radioTextGroups[0], 16);
    EXPECT_EQ(pass.rx.radioTextGroups[1], 16);
    // Every 2A of text 0 comes before the first of text 1.
    const auto firstB = std::find(order.begin(), order.end(), "r0");
    EXPECT_EQ(std::find(firstB, order.end(), "R15"), order.end());
    // The short text's zero fill goes out as blanks.
    EXPECT_EQ(pass.rx.radioText[0], "Texto zero" + std::string(54, ' '));
    EXPECT_EQ(pass.rx.radioText[1], RT64);
    // PS pages keep coming while RadioText runs; both pages are seen.
    ASSERT_GE(pass.rx.psPages.size(), 2u);
    EXPECT_EQ(pass.rx.psPages[0], "RADIO   ");
    EXPECT_EQ(pass.rx.psPages[1], "XX      ");
}

TEST(TextPass, HostileTextsStayInBoundsAndEnd) {
    std::string longPages;  // 1023 characters: many short pages, one cut at the end
    while (longPages.size() < 1023) {
        longPages += "PAGINA|";
    }
    longPages.resize(1023);
    std::string highBytes;
    for (int b = 0x80; b <= 0xFF; ++b) {
        highBytes += static_cast<char>(b);
        if (b % 8 == 7) {
            highBytes += '|';
        }
    }
    const struct { const char* what; std::string ps; uint8_t repeat; size_t pages; } cases[] = {
        {"1023 characters of pages", longPages, 3, 147},
        {"every byte above 0x7F", highBytes, 1, 17},
        {"only separators", "|||", 0, 4},
        {"trailing separator gives a blank last page", "AB|", 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Pass pass = RunTextPass(c.ps, "", "", 0, c.repeat);
        const size_t times = 1 + (c.repeat < 128 ? c.repeat : 0);
        EXPECT_EQ(pass.rx.psPages.size(), c.pages * times);
        EXPECT_LE(pass.length, IMAGE_CAPACITY);
    }
}

}  // namespace
