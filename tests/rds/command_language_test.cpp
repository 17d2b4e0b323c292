// Command lines against the model: keyword matching, value reading, and the handlers' effects.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "IClock.h"
#include "RdsModel.h"

namespace {

struct Model {
    CFixedClock clock{CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60)};
    CRdsModel model{clock};
};

// The fields a command can touch, to show that a line changed nothing.
struct Snapshot {
    uint16_t pi;
    uint8_t ms, tp, ta, pty, di, groupFlags, pinDay;
    uint16_t pinHourMinute;
    std::array<uint8_t, 8> af;
    std::string txt1Source, txt0Source, psnSource, psnText, psTitle;
    uint16_t imageLength;

    explicit Snapshot(const CRdsModel& m)
        : pi(m.m_pi), ms(m.m_ms), tp(m.m_tp), ta(m.m_ta), pty(m.m_pty), di(m.m_di),
          groupFlags(m.m_groupFlags), pinDay(m.m_pinDay), pinHourMinute(m.m_pinHourMinute),
          af(m.m_af), txt1Source(m.m_txt1Source), txt0Source(m.m_txt0Source),
          psnSource(m.m_psnSource), psnText(m.m_psnText), psTitle(m.m_psTitle),
          imageLength(m.m_imageLength) {}
    bool operator==(const Snapshot&) const = default;
};

struct NumericCase {
    const char* line;
    std::function<int(const CRdsModel&)> field;
    int expected;
};

TEST(CommandLanguage, NumericValuesAreReadAsHexDigitsOfFixedWidth) {
    auto pi = [](const CRdsModel& m) { return int{m.m_pi}; };
    auto pty = [](const CRdsModel& m) { return int{m.m_pty}; };
    auto di = [](const CRdsModel& m) { return int{m.m_di}; };
    auto tp = [](const CRdsModel& m) { return int{m.m_tp}; };
    auto ta = [](const CRdsModel& m) { return int{m.m_ta}; };
    auto ms = [](const CRdsModel& m) { return int{m.m_ms}; };
    auto day = [](const CRdsModel& m) { return int{m.m_pinDay}; };
    auto hm = [](const CRdsModel& m) { return int{m.m_pinHourMinute}; };
    const std::vector<NumericCase> cases = {
        {"PI=C201", pi, 0xC201},
        {"PI=c201", pi, 0xC201},
        {"PI=C20", pi, 0xC200},            // the line's end reads as a 0 digit
        {"PI=", pi, 0x0000},               // and keeps reading as 0
        {"PI=GG:1", pi, 0x00A1},           // 'G' is 0, ':' is 10
        {"PI={}~\x7F", pi, 0x4678},        // 0x7B..0x7F count as letters after the case fold
        {"PI=1\xC3\xA9", pi, 0x1390},      // bytes 0x80..0xFF count from '0', low nibble kept
        {"PI=C2011234", pi, 0xC201},       // characters after the value are not read
        {"PTY=0A", pty, 10},
        {"PTY=FF", pty, 31},
        {"PTY=1", pty, 16},
        {"DI=1F", di, 15},
        {"DI=0", di, 0},
        {"TP=01", tp, 1},
        {"TP=02", tp, 0},
        {"TP=10", tp, 0},
        {"TA=01", ta, 1},
        {"TA=1", ta, 0},
        {"MS=01", ms, 1},
        {"MS=", ms, 0},
        {"DEF1ATIME=15:1430", day, 0x15},
        {"DEF1ATIME=15:1430", hm, 0x1430},
        {"DEF1ATIME=31/2359", hm, 0x2359},  // any separator
        {"DEF1ATIME=15", day, 0x15},
        {"DEF1ATIME=15", hm, 0x0000},
        {"DEF1ATIME=1", day, 0x10},
    };
    for (const auto& c : cases) {
        Model m;
        m.model.m_tp = m.model.m_ta = m.model.m_ms = 1;  // so that clearing shows
        EXPECT_EQ(m.model.ExecuteCommand(c.line), 1) << c.line;
        EXPECT_EQ(c.field(m.model), c.expected) << c.line;
    }
}

TEST(CommandLanguage, GroupFlagsTestTheWholeByte) {
    struct Case {
        const char* line;
        uint8_t before, after;
    };
    const Case cases[] = {
        {"GROUP4A=01", 0x00, 0x01}, {"GROUP4A=02", 0x00, 0x01}, {"GROUP4A=10", 0x00, 0x01},
        {"GROUP4A=00", 0x07, 0x06}, {"GROUP4A=", 0x07, 0x06},   {"TIMEINPSN=01", 0x00, 0x02},
        {"TIMEINPSN=00", 0x07, 0x05}, {"GROUP1A=01", 0x00, 0x04}, {"GROUP1A=0", 0x07, 0x03},
        {"GROUP1A=F", 0x01, 0x05},
    };
    for (const auto& c : cases) {
        Model m;
        m.model.m_groupFlags = c.before;
        EXPECT_EQ(m.model.ExecuteCommand(c.line), 1) << c.line;
        EXPECT_EQ(m.model.m_groupFlags, c.after) << c.line;
    }
}

TEST(CommandLanguage, AfDefStoresOneEntryChosenByTheLowThreeBits) {
    struct Case {
        const char* line;
        size_t entry;
        uint8_t value;
    };
    const Case cases[] = {
        {"AFDEF=0B,C4", 3, 0xC4}, {"AFDEF=00,E3", 0, 0xE3}, {"AFDEF=07 63", 7, 0x63},
        {"AFDEF=0F", 7, 0x00},    // the value runs into the line's end
        {"AFDEF=", 0, 0x00},
    };
    for (const auto& c : cases) {
        Model m;
        EXPECT_EQ(m.model.ExecuteCommand(c.line), 1) << c.line;
        for (size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(m.model.m_af[i], i == c.entry ? c.value : 205) << c.line << " entry " << i;
        }
    }
}

TEST(CommandLanguage, RadioTextsArePaddedToSixtyFourOrLeftAlone) {
    const std::string seventy(70, 'x');
    struct Case {
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {"TXT1=\"0123456789\"", "0123456789" + std::string(54, ' ')},
        {"TXT1=\"" + seventy + "\"", std::string(64, 'x')},
        {"TXT1=\"" + std::string(63, 'y') + "\"", std::string(63, 'y') + " "},
        {"TXT1=\"\"", ""},
        {"TXT1=\"open end", "open end" + std::string(56, ' ')},
        {"TXT1=\"Can\xE7\xE3o\"", "Can\xE7\xE3o" + std::string(58, ' ')},
        {"TXT1=no quotes", "old"},
        {"TXT1=", "old"},
    };
    for (const auto& c : cases) {
        Model m;
        m.model.m_txt1Source = "old";
        EXPECT_EQ(m.model.ExecuteCommand(c.line.c_str()), 1) << c.line;
        EXPECT_EQ(m.model.m_txt1Source, c.expected) << c.line;
        EXPECT_TRUE(m.model.m_txt0Source.empty());
    }
    Model m;
    EXPECT_EQ(m.model.ExecuteCommand("TXT0=\"Bom dia\""), 1);
    EXPECT_EQ(m.model.m_txt0Source, "Bom dia" + std::string(57, ' '));
    EXPECT_TRUE(m.model.m_txt1Source.empty());
}

TEST(CommandLanguage, PsnEmptiesTheTitleAndRecomposesEvenWithoutItsQuote) {
    Model m;
    m.model.m_psnSource = "A|%TITLE%|B";
    m.model.SetPsTitle("T");
    m.model.ComposePsText();
    ASSERT_EQ(m.model.m_psnText, "A|T|B");

    EXPECT_EQ(m.model.ExecuteCommand("PSN=X"), 1);
    EXPECT_EQ(m.model.m_psnSource, "A|%TITLE%|B");
    EXPECT_EQ(m.model.m_psTitle, "");
    EXPECT_EQ(m.model.m_psnText, "A|B");

    m.model.SetPsTitle("T");
    EXPECT_EQ(m.model.ExecuteCommand("PSN=\"RADIO|%TITLE%\""), 1);
    EXPECT_EQ(m.model.m_psnSource, "RADIO|%TITLE%");
    EXPECT_EQ(m.model.m_psnText, "RADIO");

    const std::string longText(1100, 'p');
    EXPECT_EQ(m.model.ExecuteCommand(("PSN=\"" + longText + "\"").c_str()), 1);
    EXPECT_EQ(m.model.m_psnSource, std::string(1023, 'p'));
}

TEST(CommandLanguage, EncodeBuildsTheImageWithoutComposingText) {
    Model m;
    ASSERT_EQ(m.model.ExecuteCommand("PSN=\"ABCDEFGH\""), 1);
    ASSERT_EQ(m.model.ExecuteCommand("TXT0=\"not yet\""), 1);
    EXPECT_EQ(m.model.ExecuteCommand("ENCODE"), 1);
    // One page, no RadioText composed: four 0A groups of 13 bytes.
    EXPECT_EQ(m.model.m_imageLength, 52);
    EXPECT_EQ(m.model.m_txt0Text[0], '\0');
}

TEST(CommandLanguage, SeparatorTakesPartInMatching) {
    Model m;
    ASSERT_EQ(m.model.ExecuteCommand("PSN=\"ABCDEFGH\""), 1);
    EXPECT_EQ(m.model.ExecuteCommand("ENCODE_MS=01"), 1);
    EXPECT_EQ(m.model.m_ms, 0);
    EXPECT_EQ(m.model.m_imageLength, 52);

    Model d;
    EXPECT_EQ(d.model.ExecuteCommand("DI=_PI=12"), 1);  // taken as DI= with the value 12
    EXPECT_EQ(d.model.m_di, 2);
    EXPECT_EQ(d.model.m_pi, 0);
}

TEST(CommandLanguage, LinesThatDoNotStartWithAKeywordChangeNothing) {
    const std::vector<std::string> unmatched = {
        "", " PI=C201", "pi=C201", "PI =C201", "STATUS ", "STATUS\t", "STATUS\xE9", "PI\xE9", "PI=\xC3\xA9",
        "P", "XYZ", "_", "*", "ENCODE_MX", "STATUS_", "ENCODE_MS", "TXT2=\"x\"",
        // Lines that carry the comparison to the table's end must not run past it.
        "FILEWRITE_", "FILEWRITE_*", "RESETSYS_FILEWRITE_", "FILEWRITE_*_DI=01",
        "STATUS_POINTER_RESETSYS_FILEWRITE_*", "RESETSYS_FILEWRITE_*\xFF_",
        std::string(300, '_'), std::string(300, '*'),
    };
    for (const auto& line : unmatched) {
        Model m;
        m.model.m_psnSource = "KEEP";
        Snapshot before(m.model);
        EXPECT_EQ(m.model.ExecuteCommand(line.c_str()), 0) << line;
        EXPECT_TRUE(Snapshot(m.model) == before) << line;
    }
    Model m;
    EXPECT_EQ(m.model.ExecuteCommand(nullptr), 0);
}

TEST(CommandLanguage, KeywordsWithoutEffectAreStillAccepted) {
    const char* accepted[] = {
        ".END", "INTMODE=01", "INTMODE=", "STATUS", "STATUSX", "STATUS=1", "POINTER",
        "RESETSYS", "FILEWRITE", "FILEWRITEX", "RESETSYS_FILEWRITE", "POINTER_RESETSYS",
    };
    for (const char* line : accepted) {
        Model m;
        Snapshot before(m.model);
        EXPECT_EQ(m.model.ExecuteCommand(line), 1) << line;
        EXPECT_TRUE(Snapshot(m.model) == before) << line;
    }
}

TEST(CommandLanguage, EveryKeywordOfTheTableIsFound) {
    // One line per keyword, in table order, each with an effect or an accepted no-op.
    const char* lines[] = {
        "DI=01", "PI=8A51", "PTY=0A", "TXT1=\"a\"", "TXT0=\"b\"", ".END", "PSN=\"P\"", "TP=01",
        "TA=01", "GROUP1A=01", "GROUP4A=01", "DEF1ATIME=01:0000", "ENCODE", "MS=01",
        "TIMEINPSN=01", "INTMODE=", "AFDEF=01,63", "STATUS", "POINTER", "RESETSYS", "FILEWRITE",
    };
    Model m;
    for (const char* line : lines) EXPECT_EQ(m.model.ExecuteCommand(line), 1) << line;
    EXPECT_EQ(m.model.m_di, 1);
    EXPECT_EQ(m.model.m_pi, 0x8A51);
    EXPECT_EQ(m.model.m_pty, 10);
    EXPECT_EQ(m.model.m_tp, 1);
    EXPECT_EQ(m.model.m_ta, 1);
    EXPECT_EQ(m.model.m_ms, 1);
    EXPECT_EQ(m.model.m_groupFlags, 0x07);
    EXPECT_EQ(m.model.m_pinDay, 0x01);
    EXPECT_EQ(m.model.m_af[1], 0x63);
    EXPECT_EQ(m.model.m_psnText, "P");
}

}  // namespace
