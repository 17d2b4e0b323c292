// The playout keywords beside the table's own, the title from two sources, text from clients
// in UTF-8 or CP1252, and RT+ as a receiver decodes it from the image.

#include <gtest/gtest.h>

#include <tuple>

#include "CommandFile.h"
#include "CommandLanguage.h"
#include "Cp1252.h"
#include "Groups.h"
#include "RdsTestDecoder.h"
#include "TestSupport.h"
#include "Title.h"

using namespace std::string_literals;

namespace {

// What a line leaves in the fields the playout keywords reach; a row names what differs.
struct PlayoutRow {
    std::string line;
    int result = 1;
    CommandFollowUp followUp = CommandFollowUp::Rebuild;
    std::string psSource = "A|%TITLE%", psTitle = "T", rtTitle = "T", txt1 = "old";
    bool rtPlus = false;
    uint8_t ms = 0;
    std::string remark = "";
};

void CheckRow(const PlayoutRow& row) {
    StationData d;
    d.SetPsSource("A|%TITLE%");
    d.SetPsTitle("T");
    d.SetRtTitle("T");
    d.SetRadioTextSource(1, "old");
    CommandResult result;
    const CommandFollowUp followUp = ApplyCommand(row.line.c_str(), d, result);
    EXPECT_EQ(std::tie(result.executed, result.remark), std::tie(row.result, row.remark)) << row.line;
    EXPECT_EQ(
        std::make_tuple(followUp, d.PsSource(), d.PsTitle(), d.RtTitle(), d.RadioTextSource(1), d.RtPlus(), d.Ms()),
        std::tie(row.followUp, row.psSource, row.psTitle, row.rtTitle, row.txt1, row.rtPlus, row.ms))
        << row.line;
}

constexpr auto None = CommandFollowUp::None;

}  // namespace

TEST(PlayoutKeywords, TakeTheRestOfTheLineBesideTheTableKeywordsWhichKeepTheirOwnSyntax) {
    const PlayoutRow rows[] = {
        // PSN= and PS=: a quoted source of pages against one page of 8 characters as sent.
        {.line = "PSN=\"RADIO|%TITLE%\"",
         .followUp = CommandFollowUp::ComposePs,
         .psSource = "RADIO|%TITLE%",
         .psTitle = ""},
        {.line = "PS=RADIO ORVANE", .psSource = "RADIO OR"},
        {.line = "PS=\"RADIO\"", .psSource = "\"RADIO\""},
        {.line = "PS=A|B|C", .psSource = "A B C"},  // one page, never two
        {.line = "PS=", .psSource = ""},
        // TXT1= and TEXT=: a quoted RadioText against the now-playing title.
        {.line = "TXT1=\"Hello\"", .followUp = None, .txt1 = Pad("Hello")},
        {.line = "TXT1=Hello", .followUp = None},
        {.line = "TEXT=Artist - Song",
         .psTitle = "Artist -|Song",
         .rtTitle = "Artist - Song",
         .remark = "Set title = \"Artist - Song\""},
        {.line = "TEXT=_01Song.mp3", .psTitle = "Song", .rtTitle = "Song.mp3", .remark = "Set title = \"_01Song\""},
        {.line = "TEXT=\"Quoted\"",
         .psTitle = "\"Quoted\"",
         .rtTitle = "\"Quoted\"",
         .remark = "Set title = \"\"Quoted\"\""},
        {.line = "TEXT= x", .psTitle = "x", .rtTitle = " x", .remark = "Set title = \" x\""},
        {.line = "TEXT=", .psTitle = "", .rtTitle = "", .remark = "Set title = \"\""},
        {.line = "DPS=Radio Orvane FM", .psTitle = "Radio Or|vane FM"},
        // RT= and RT1= set TXT1 as sent, blank-padded; RTPLUS= is no RadioText.
        {.line = "RT=Now playing", .txt1 = Pad("Now playing")},
        {.line = "RT1=Now playing", .txt1 = Pad("Now playing")},
        {.line = "RT=" + std::string(70, 'r'), .txt1 = std::string(64, 'r')},
        {.line = "RT=", .txt1 = std::string(64, ' ')},
        {.line = "RTPLUS=01", .rtPlus = true},
        {.line = "RTPLUS=00"},
        {.line = "RTPLUS=1", .rtPlus = true},  // the line's end reads as the digit 0: 0x10
        {.line = "RTPLUS=", .rtPlus = false},
        // The table's own cases are untouched, '_' chaining included.
        {.line = "ENCODE_MS=01", .followUp = CommandFollowUp::BuildImage},
        {.line = "MS=01", .followUp = None, .ms = 1},
        {.line = "FILEWRITE_PS=1", .result = 0, .followUp = None},
        {.line = "ENCODE_TEXT=x", .result = 0, .followUp = None},
        {.line = "STATUS_TEXT=x", .result = 0, .followUp = None},
        // Case-sensitive, at the very start, '=' right after the keyword.
        {.line = "text=Song", .result = 0, .followUp = None},
        {.line = " TEXT=Song", .result = 0, .followUp = None},
        {.line = "TEXT =Song", .result = 0, .followUp = None},
        {.line = "TEXT", .result = 0, .followUp = None},
        {.line = "RTPLUS", .result = 0, .followUp = None},
        {.line = "DPS", .result = 0, .followUp = None},
    };
    for (const PlayoutRow& row : rows) CheckRow(row);
}

TEST(PlayoutKeywords, ClientTextInUtf8BecomesCp1252AndAnyOtherBytesAreTakenAsCp1252) {
    const struct {
        std::string sent, stored;
    } cases[] = {
        {"Artist - Caf\xC3\xA9", "Artist - Caf\xE9"},        // UTF-8
        {"Artist - Caf\xE9", "Artist - Caf\xE9"},            // CP1252
        {"\xE2\x82\xAC 5 \xE2\x80\x93 x", "\x80 5 \x96 x"},  // euro sign and en dash have CP1252 codes
        {"\xE4\xB8\xAD\xF0\x9F\x8E\xB5!",
         "?"
         "?!"},                            // no CP1252 code
        {"\xC2\x81", "?"},                 // a C1 control, no character of the code page
        {"Caf\xC3", "Caf\xC3"},            // cut sequence: not UTF-8
        {"\xC0\xAF", "\xC0\xAF"},          // overlong form
        {"\xED\xA0\x80", "\xED\xA0\x80"},  // surrogate
        {"plain", "plain"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClientTextToCp1252(c.sent), c.stored) << c.sent;
        TestModel m;
        EXPECT_EQ(m.Run("TEXT=" + c.sent), 1);
        EXPECT_EQ(m.model.Station().RtTitle(), c.stored) << c.sent;
    }
    TestModel m;
    m.Run("PS=Caf\xC3\xA9 Lisboa");  // eight characters of the code page, not eight bytes
    EXPECT_EQ(m.model.Station().PsSource(), "Caf\xE9 Lis");
}

TEST(PlayoutKeywords, APlayoutLineKeepsATrailingAccentedLetterWhereOtherLinesLoseIt) {
    const struct {
        std::string line, trimmed;
        bool playout;
    } cases[] = {
        {"TEXT=Caf\xE9 \r\n", "TEXT=Caf\xE9", true},
        {"RT=Can\xE7\xE3o\t\x01", "RT=Can\xE7\xE3o", true},
        {"TEXT=\xE9\xFF", "TEXT=\xE9\xFF", true},
        {"DPS=\xA0 ", "DPS=\xA0", true},
        {"TEXT=   ", "TEXT=", true},
        {"TXT1=\"Caf\xE9\"\xE9 ", "TXT1=\"Caf\xE9\"", false},
        {"PSN=\"x\"\xE9", "PSN=\"x\"", false},
        {"PI=C201\xE9\r\n", "PI=C201", false},
        {"text=Caf\xE9", "text=Caf", false},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        TrimCommandLineEnd(line);
        EXPECT_EQ(line, c.trimmed) << c.line;
        EXPECT_EQ(StartsWithPlayoutKeyword(c.line), c.playout) << c.line;
    }
}

// A model whose titles come from the status file and from commands, logged as a station does.
class PlayoutTitle : public ::testing::Test {
protected:
    bool PollTitle(const std::string& title) {
        return m.tracker.Poll(dir.Write("STATUS.HTM", "<P>\n<FONT FACE=>" + title + "</FONT>\n"), m.model, m.log);
    }
    int SendText(const std::string& line) {
        const CommandResult r = m.host.ExecuteCommandLine(line);
        m.log.AddLog(r.remark);
        return r.executed;
    }
    [[nodiscard]] std::string Rt(size_t length = 13) const { return {m.model.Texts().radioText[1].data(), length}; }

    TempFolder dir;
    CommandFileStation m;
};

// Both sources of the title, in the order a station meets them.
TEST_F(PlayoutTitle, StatusFileAndTextCommandShareOneTitleAndTheLaterChangeWins) {
    m.Run("TXT1=\"%TITLE%\"");
    EXPECT_TRUE(PollTitle("File song 01"));
    EXPECT_EQ(SendText("TEXT=Sent song 01"), 1);
    EXPECT_EQ(Rt(), "Sent song 01 ");
    EXPECT_EQ(m.tracker.AppliedTitle(), "Sent song 01");
    EXPECT_FALSE(PollTitle("File song 01"));  // the file did not change: the client's title stays
    EXPECT_EQ(std::make_tuple(Rt(), m.model.Station().PsTitle()), std::make_tuple("Sent song 01 ", "Sent son|g 01"));
    EXPECT_TRUE(PollTitle("File song 02"));  // the file changed: it wins
    EXPECT_EQ(Rt(), "File song 02 ");
    EXPECT_FALSE(PollTitle("File song 02"));
    EXPECT_EQ(SendText("TEXT=File song 02"), 1);  // a client's title always goes on air and is logged
    EXPECT_EQ(SendText("TEXT="), 1);
    EXPECT_EQ(Rt(), std::string(13, ' '));  // the source's blanks where the title stood
    EXPECT_FALSE(PollTitle("File song 02"));
    EXPECT_EQ(m.log.lines,
              "Set title = \"File song 01\"\nSet title = \"Sent song 01\"\nSet title = \"File song 02\"\n"
              "Set title = \"File song 02\"\nSet title = \"\"\n");
    m.tracker.Reset();  // the command file starts afresh: the file is the one source again
    EXPECT_TRUE(PollTitle("File song 02"));
}

TEST_F(PlayoutTitle, TextInTheCommandFileIsLoggedWithItsTitleLineAndNotedForThePoll) {
    ProcessCommandFile(dir.Write("RDS.TXT", "TXT1=\"%TITLE%\"\nTEXT=Ol\xE1 \r\nRTPLUS=01\n"), m.host);
    EXPECT_EQ(m.log.lines,
              "************** PROCESSAR O FICHEIRO RDS.TXT ***************\nTXT1=\"%TITLE%\" - OK\n"
              "TEXT=Ol\xE1 - OK\nSet title = \"Ol\xE1\"\nRTPLUS=01 - OK\n" +
                  std::string(74, '*') + "\n");
    EXPECT_EQ(m.tracker.AppliedTitle(), "Ol\xE1");
    EXPECT_EQ(Rt(4), "Ol\xE1 ");
    // Written in UTF-8, the line is logged in the station's own characters, as the command took it.
    ProcessCommandFile(dir.Write("RDS.TXT", "TEXT=Caf\xC3\xA9\n"), m.host);
    EXPECT_NE(m.log.lines.find("\nTEXT=Caf\xE9 - OK\n"), std::string::npos);
}

// ---- RT+

TEST(RtPlus, TagsSplitTheTitleAtItsFirstDashPutTheLongerFirstAndClipToTheRadioText) {
    const std::string atEnd57 = std::string(57, 'x') + "%TITLE%", atEnd60 = std::string(60, 'x') + "%TITLE%";
    const struct {
        std::string source, title;
        RtPlusTags tags;
    } cases[] = {
        {Pad("%TITLE%"), "Artist - Song", {{4, 0, 6}, {1, 9, 4}}},
        {Pad("Now: %TITLE%"), "Ab - Longer title", {{1, 10, 12}, {4, 5, 2}}},
        {"%TITLE%", "Abcd - Efgh", {{4, 0, 4}, {1, 7, 4}}},  // as long as each other: artist first
        {"%TITLE%", "A - B - C", {{1, 4, 5}, {4, 0, 1}}},    // the first " - " splits
        {"%TITLE%", "Song", {{1, 0, 4}, {}}},
        {"%TITLE%", " - Song", {{1, 3, 4}, {}}},
        {"%TITLE%", "Artist - ", {{4, 0, 6}, {}}},
        {"%TITLE%", "Artist-Song", {{1, 0, 11}, {}}},
        {"%TITLE%", std::string(70, 't'), {{1, 0, 64}, {}}},
        {atEnd57, "Artist - Song", {{4, 57, 6}, {}}},  // the title starts past the 64th character
        {atEnd60, "Artist", {{1, 60, 4}, {}}},
        {Pad("No title here"), "Artist - Song", {}},
        {"%TITLE%", "", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(TitleTags(c.source, c.title), c.tags) << c.source << " / " << c.title;
}

TEST(RtPlus, GroupsMatchTheHandMadeVectors) {
    StationData d;
    d.SetPi(0x1234);
    EXPECT_EQ(RtPlusAnnouncementGroup(d), (Blocks{0x1234, 0x3016, 0x0000, 0x4BD7}));
    d.SetRtTitle("Artist 1 - Title1");  // a new title: toggle 1; on air: running 1
    EXPECT_EQ(RtPlusTagGroup(d, {{4, 7, 8}, {1, 18, 6}}), (Blocks{0x1234, 0xB018, 0x838E, 0x0A45}));
    d.SetRtTitle("");  // the toggle flips back, nothing runs, and empty tags are all zeros
    EXPECT_EQ(RtPlusTagGroup(d, {}), (Blocks{0x1234, 0xB000, 0x0000, 0x0000}));
}

namespace {

// The RT+ group that followed RadioText `ab`.
rdstest::RtPlusSeen TagsAfter(const rdstest::CTestReceiver& r, int ab) {
    for (const auto& seen : r.rtPlus) {
        if (seen.radioText == ab) return seen;
    }
    ADD_FAILURE() << "no RT+ group after RadioText " << ab;
    return {};
}

}  // namespace

TEST(RtPlus, AReceiverReadsArtistAndTitleBackFromTheImage) {
    const std::string prefix50(50, '.');
    const struct {
        std::string txt1, text, artist, title;
    } cases[] = {
        {"%TITLE%", "Artist - Song", "Artist", "Song"},
        {"Now: %TITLE%", "Song Only", "", "Song Only"},
        {"%TITLE%", "In\xC3\xAAs Tavares - Can\xC3\xA7\xC3\xA3o", "In\xC3\xAAs Tavares", "Can\xC3\xA7\xC3\xA3o"},
        {"%TITLE%", "Caf\xE9 Bar - Ol\xE1", "Caf\xC3\xA9 Bar", "Ol\xC3\xA1"},     // sent in CP1252, read in UTF-8
        {prefix50 + "%TITLE%", "Artist - A Long Song Title", "Artist", "A Lon"},  // clipped at the 64th character
    };
    for (const auto& c : cases) {
        TestModel m;
        for (const std::string& line :
             {"PI=1234"s, "TXT0=\"Station news\""s, "TXT1=\"" + c.txt1 + "\""s, "RTPLUS=01"s, "TEXT=" + c.text})
            ASSERT_EQ(m.Run(line), 1) << line;
        const rdstest::CTestReceiver r = Receive(m.model);
        ASSERT_EQ(r.applications, (std::vector<std::pair<int, uint16_t>>{{0x16, 0x4BD7}}));
        ASSERT_EQ(r.rtPlus.size(), 2u) << c.text;
        const rdstest::RtPlusSeen titled = TagsAfter(r, 1);
        EXPECT_EQ(rdstest::RdsToUtf8(titled.Text(RT_PLUS_ITEM_ARTIST)), c.artist) << c.text;
        EXPECT_EQ(rdstest::RdsToUtf8(titled.Text(RT_PLUS_ITEM_TITLE)), c.title) << c.text;
        EXPECT_EQ(titled.running, 1);
        // The RadioText without the title carries two empty tags.
        const rdstest::RtPlusSeen plain = TagsAfter(r, 0);
        EXPECT_EQ(std::tie(plain.tags[0].contentType, plain.tags[1].contentType), std::make_tuple(0, 0));
        // Announced before any tag, each tag group right after the last group of its RadioText.
        EXPECT_LT(r.order.find("ODA "), r.order.find("RT+ "));
        EXPECT_NE(r.order.find("R15 RT+ "), std::string::npos);
        EXPECT_NE(r.order.find("r15 RT+ "), std::string::npos);
    }
}

TEST(RtPlus, TheToggleFlipsForANewTitleOnlyAndRunningFollowsTheTitleOnAir) {
    TestModel m;
    for (const char* line : {"PI=1234", "TXT1=\"%TITLE%\"", "RTPLUS=01"}) m.Run(line);
    const auto bits = [&](const std::string& line) {
        EXPECT_EQ(m.Run(line), 1);
        const rdstest::RtPlusSeen seen = TagsAfter(Receive(m.model), 1);
        return std::make_pair(seen.toggle, seen.running);
    };
    const auto first = bits("TEXT=First - Song");
    EXPECT_EQ(first.second, 1);
    EXPECT_EQ(bits("TEXT=Second - Song"), std::make_pair(1 - first.first, 1));
    EXPECT_EQ(bits("TEXT=Second - Song"), std::make_pair(1 - first.first, 1));  // the same title again
    EXPECT_EQ(bits("ENCODE"), std::make_pair(1 - first.first, 1));
    EXPECT_EQ(bits("TEXT="), std::make_pair(first.first, 0));
}

TEST(RtPlus, OffLeavesTheImageAsItWasAndOnAddsOneAnnouncementAndOneGroupPerRadioText) {
    const std::vector<std::string> station = {
        "PI=C201", "PSN=\"RADIO|%TITLE%\"", "TXT0=\"News\"", "TXT1=\"%TITLE%\"", "GROUP4A=01", "TEXT=Artist - Song"};
    TestModel plain, toggled, on;
    for (const auto& line : station) plain.Run(line), toggled.Run(line), on.Run(line);
    toggled.Run("RTPLUS=01");
    toggled.Run("RTPLUS=00");
    on.Run("RTPLUS=01");
    const auto bytes = [](const CRdsModel& model) {
        return std::string(reinterpret_cast<const char*>(model.GetImage()),
                           static_cast<size_t>(model.GetImageLength()));
    };
    EXPECT_EQ(bytes(toggled.model), bytes(plain.model));
    EXPECT_EQ(on.model.GetRecordCount(), plain.model.GetRecordCount() + 3);

    // The minute refresh rewrites the clock group in its place and moves nothing else.
    const std::string before = bytes(on.model);
    on.clock.Set(CFixedClock::FromLocal(2026, 12, 6, 13, 35, 0, 60));
    on.model.RefreshClock();
    const std::string after = bytes(on.model);
    ASSERT_EQ(after.size(), before.size());
    const auto decode = [](const std::string& image) {
        return rdstest::DecodeImage(reinterpret_cast<const uint8_t*>(image.data()), static_cast<int>(image.size()));
    };
    const auto groupsBefore = decode(before);
    const auto groupsAfter = decode(after);
    int changed = 0;
    for (size_t i = 0; i < groupsBefore.size(); ++i) {
        if (groupsBefore[i].info == groupsAfter[i].info) continue;
        ++changed;
        EXPECT_EQ(groupsAfter[i].info[1] >> 12, 4) << "record " << i;
    }
    EXPECT_EQ(changed, 1);
}
