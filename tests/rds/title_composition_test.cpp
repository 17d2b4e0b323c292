// Composing the PS pages and RadioTexts from their sources and the two forms of the title.

#include <gtest/gtest.h>

#include <string>

#include "IClock.h"
#include "RdsModel.h"

namespace {

struct Model {
    CFixedClock clock{CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60)};
    CRdsModel model{clock};
};

std::string Text(const std::array<char, 64>& composed) { return std::string(composed.data(), 64); }
std::string ZeroFilled(const std::string& text) { return text + std::string(64 - text.size(), '\0'); }

TEST(ComposePsText, PlacesTheTitleAndDropsItsPageWhenEmpty) {
    struct Case {
        std::string source, title, expected;
    };
    const Case cases[] = {
        {"RADIO XX|%TITLE%", "Artist -|Song", "RADIO XX|Artist -|Song"},
        {"RADIO XX|%TITLE%", "", "RADIO XX"},
        {"RADIO XX|%TITLE%|NEWS", "Artist -|Song", "RADIO XX|Artist -|Song|NEWS"},
        {"RADIO XX|%TITLE%|NEWS", "", "RADIO XX|NEWS"},
        {"%TITLE%|NEWS", "", "NEWS"},
        {"%TITLE%X|Y", "", "X|Y"},
        {"%TITLE%||A", "", "|A"},                 // only the one separator goes
        {"%TITLE%", "", ""},
        {"%TITLE%", "ABCDEFGH|", "ABCDEFGH"},    // a title ending in '|' loses it at the end
        {"A|%TITLE%|%TITLE%", "T", "A|T|%TITLE%"},  // the first placeholder only
        {"RADIO XX|NEWS|", "T", "RADIO XX|NEWS"},
        {"RADIO XX", "T", "RADIO XX"},
        {"%TITLE", "T", "%TITLE"},
    };
    for (const auto& c : cases) {
        Model m;
        m.model.m_psnSource = c.source;
        m.model.SetPsTitle(c.title);
        m.model.ComposePsText();
        EXPECT_EQ(m.model.m_psnText, c.expected) << c.source << " / " << c.title;
    }
}

TEST(ComposePsText, EmptySourceEmptiesAndOverlongResultIsNotStored) {
    Model m;
    m.model.m_psnSource = "OLD";
    m.model.ComposePsText();
    m.model.m_psnSource.clear();
    m.model.ComposePsText();
    EXPECT_EQ(m.model.m_psnText, "");

    m.model.m_psnSource = "KEEP|%TITLE%";
    m.model.ComposePsText();
    ASSERT_EQ(m.model.m_psnText, "KEEP");
    m.model.m_psnSource = std::string(1000, 'a') + "%TITLE%";
    m.model.SetPsTitle(std::string(24, 'b'));  // 1024 characters in all
    m.model.ComposePsText();
    EXPECT_EQ(m.model.m_psnText, "KEEP");
    m.model.SetPsTitle(std::string(23, 'b'));  // 1023 fit
    m.model.ComposePsText();
    EXPECT_EQ(m.model.m_psnText.size(), 1023u);
}

TEST(ComposeRadioText, SubstitutesCutsAndZeroFills) {
    const std::string source = "NOW: %TITLE%" + std::string(52, ' ');
    const std::string title20 = "Artist - Song Title!";
    struct Case {
        std::string source, title, expected;
    };
    const Case cases[] = {
        {source, title20, "NOW: " + title20 + std::string(39, ' ')},
        {source, "", ZeroFilled("NOW: " + std::string(52, ' '))},
        {source, std::string(70, 't'), "NOW: " + std::string(59, 't')},
        {"Sem titulo" + std::string(54, ' '), title20, "Sem titulo" + std::string(54, ' ')},
        {"", title20, std::string(64, '\0')},
    };
    for (const auto& c : cases) {
        Model m;
        m.model.m_txt1Source = c.source;
        m.model.m_txt0Source = c.source;
        m.model.m_rtTitle = c.title;
        m.model.m_txt1Text.fill('x');
        m.model.m_txt0Text.fill('x');
        m.model.ComposeRadioText();
        EXPECT_EQ(Text(m.model.m_txt1Text), c.expected) << c.source << " / " << c.title;
        EXPECT_EQ(Text(m.model.m_txt0Text), c.expected) << c.source << " / " << c.title;
    }
}

TEST(ComposeRadioText, EmptyingASourceTakesItsTextOffAir) {
    Model m;
    ASSERT_EQ(m.model.ExecuteCommand("TXT1=\"Boa tarde\""), 1);
    ASSERT_EQ(m.model.ExecuteCommand("TXT0=\"Ouvir\""), 1);
    m.model.Rebuild();
    ASSERT_EQ(Text(m.model.m_txt1Text), "Boa tarde" + std::string(55, ' '));
    ASSERT_EQ(m.model.ExecuteCommand("TXT1=\"\""), 1);
    m.model.Rebuild();
    EXPECT_EQ(Text(m.model.m_txt1Text), std::string(64, '\0'));
    EXPECT_EQ(Text(m.model.m_txt0Text), "Ouvir" + std::string(59, ' '));
}

TEST(ComposeRadioText, ReachesTheTextsOnlyThroughRebuild) {
    Model m;
    ASSERT_EQ(m.model.ExecuteCommand("TXT1=\"Nova\""), 1);
    ASSERT_EQ(m.model.ExecuteCommand("ENCODE"), 1);
    EXPECT_EQ(m.model.m_txt1Text[0], '\0');
    m.model.Rebuild();
    EXPECT_EQ(Text(m.model.m_txt1Text), "Nova" + std::string(60, ' '));
}

TEST(SetRtTitle, DropsAPlaylistNumber) {
    struct Case {
        std::string raw, expected;
    };
    const Case cases[] = {
        {"_01Song", "Song"}, {"_01", ""}, {"_a", ""}, {"_", ""}, {"Song_1", "Song_1"},
        {"Song.mp3", "Song.mp3"}, {"", ""},
    };
    for (const auto& c : cases) {
        Model m;
        m.model.SetRtTitle(c.raw);
        EXPECT_EQ(m.model.m_rtTitle, c.expected) << c.raw;
    }
}

}  // namespace
