// Command lines and the start-up command file against the model, station file names, and
// the texts: PS and RadioText composed from their sources and the now-playing title.

#include <gtest/gtest.h>

#include <tuple>

#include "CommandFile.h"
#include "CommandLanguage.h"
#include "FileLookup.h"
#include "TestSupport.h"
#include "Title.h"

using namespace std::string_literals;

// Every field a command can touch after one line; a row names only what differs from the preset.
struct Expect {
    std::string line, before = "";  // `before` runs first, on the preset
    uint8_t flagsBefore = 0;
    int result = 1;
    uint16_t pi = 0, pinTime = 0;
    uint8_t pty = 0, di = 0, tp = 1, ta = 1, ms = 1, flags = 0, pinDay = 0;
    std::array<uint8_t, 8> af{205, 205, 205, 205, 205, 205, 205, 205};
    std::string txt1 = "old", txt0 = "old", source = "A|%TITLE%|B", title = "T";
    CommandFollowUp followUp = CommandFollowUp::None;
};

void Check(const Expect& e) {
    StationData d;
    d.SetTp(1), d.SetTa(1), d.SetMs(1);  // so that clearing shows
    d.SetGroupFlags(e.flagsBefore);
    d.SetRadioTextSource(0, "old"), d.SetRadioTextSource(1, "old");
    d.SetPsSource("A|%TITLE%|B");
    d.SetPsTitle("T");
    CommandResult result;
    static_cast<void>(ApplyCommand(e.before.c_str(), d, result));
    const CommandFollowUp followUp = ApplyCommand(e.line.c_str(), d, result);
    EXPECT_EQ(result.executed, e.result) << e.line.substr(0, 40);
    std::array<uint8_t, 8> af{};
    for (int i = 0; i < 8; ++i) af[static_cast<size_t>(i)] = d.Af(i);
    EXPECT_EQ(std::make_tuple(d.Pi(), d.Pty(), d.Di(), d.Tp(), d.Ta(), d.Ms(), d.GroupFlags(), d.PinDayBcd(),
                              d.PinHourMinuteBcd(), af, d.RadioTextSource(1), d.RadioTextSource(0), d.PsSource(),
                              d.PsTitle(), followUp),
              std::tie(e.pi, e.pty, e.di, e.tp, e.ta, e.ms, e.flags, e.pinDay, e.pinTime, e.af, e.txt1, e.txt0,
                       e.source, e.title, e.followUp))
        << e.line.substr(0, 40);
}

TEST(CommandLanguage, EachKeywordTakesItsValueAsItComesAndOtherLinesChangeNothing) {
    const Expect cases[] = {
        {.line = "PI=C201", .pi = 0xC201},
        {.line = "PI=c20", .pi = 0xC200},  // the line's end reads as 0 digits
        {.line = "PI=GG:1", .pi = 0x00A1},
        {.line = "PI={}~\x7F", .pi = 0x4678},    // 'G' 0, ':' 10, 0x7B.. letters
        {.line = "PI=1\xC3\xA9", .pi = 0x1390},  // bytes 0x80..0xFF count from '0', low nibble kept
        {.line = "PTY=FF", .pty = 31},
        {.line = "PTY=1", .pty = 16},
        {.line = "DI=1F", .di = 15},
        {.line = "DI=_PI=12", .di = 2},
        {.line = "TP=02", .tp = 0},
        {.line = "TA=1", .ta = 0},
        {.line = "MS=", .ms = 0},
        {.line = "TP=01", .before = "TP=00"},
        {.line = "TA=01", .before = "TA=00"},
        {.line = "MS=01", .before = "MS=00"},
        {.line = "DEF1ATIME=15:1430", .pinTime = 0x1430, .pinDay = 0x15},
        {.line = "DEF1ATIME=1", .pinDay = 0x10},
        {.line = "AFDEF=0B,C4", .af = {205, 205, 205, 0xC4, 205, 205, 205, 205}},  // the entry from the low 3 bits
        {.line = "AFDEF=0F", .af = {205, 205, 205, 205, 205, 205, 205, 0x00}},
        {.line = "GROUP4A=10", .flags = 1},
        {.line = "GROUP4A=", .flagsBefore = 7, .flags = 6},
        {.line = "TIMEINPSN=02", .flags = 2},
        {.line = "TIMEINPSN=00", .flagsBefore = 7, .flags = 5},
        {.line = "GROUP1A=F", .flagsBefore = 1, .flags = 5},
        {.line = "GROUP1A=0", .flagsBefore = 7, .flags = 3},
        {.line = "TXT1=\"0123456789\"", .txt1 = Pad("0123456789")},
        {.line = "TXT1=\"\"", .txt1 = ""},
        {.line = "TXT1=\"" + std::string(70, 'x') + "\"", .txt1 = std::string(64, 'x')},
        {.line = "TXT1=\"open end", .txt1 = Pad("open end")},
        {.line = "TXT1=no quotes"},
        {.line = "TXT0=\"Can\xE7\xE3o\"", .txt0 = Pad("Can\xE7\xE3o")},
        {.line = "TXT0=x"},
        // PSN= empties the title and recomposes, even without its opening quote.
        {.line = "PSN=X", .title = "", .followUp = CommandFollowUp::ComposePs},
        {.line = "PSN=\"RADIO|%TITLE%\"",
         .source = "RADIO|%TITLE%",
         .title = "",
         .followUp = CommandFollowUp::ComposePs},
        {.line = "PSN=\"" + std::string(1100, 'p') + "\"",
         .source = std::string(1023, 'p'),
         .title = "",
         .followUp = CommandFollowUp::ComposePs},
        {.line = "ENCODE", .followUp = CommandFollowUp::BuildImage},
        {.line = "ENCODE_MS=01", .followUp = CommandFollowUp::BuildImage},
    };
    for (const Expect& e : cases) Check(e);
    // Lines that run no handler change nothing.
    const std::string unmatched[] = {"", " PI=C201", "pi=C201", "PI =C201", "STATUS ", "STATUS\xE9", "PI=\xC3\xA9", "P",
                                     "_", "ENCODE_MX", "STATUS_", "ENCODE_MS", "TXT2=\"x\"", std::string(300, '*'),
                                     std::string(300, '_'),
                                     // Lines that carry the comparison to the table's end must not run past it.
                                     "FILEWRITE_", "FILEWRITE_*", "RESETSYS_FILEWRITE_", "FILEWRITE_*_DI=01",
                                     "STATUS_POINTER_RESETSYS_FILEWRITE_*", "RESETSYS_FILEWRITE_*\xFF_"};
    const char* accepted[] = {
        ".END",       "INTMODE=01",         "STATUS",           "STATUSX",  "STATUS=1", "POINTER", "RESETSYS",
        "FILEWRITEX", "RESETSYS_FILEWRITE", "POINTER_RESETSYS", "INTMODE=", "FILEWRITE"};
    for (const auto& line : unmatched) Check({.line = line, .result = 0});
    for (const char* line : accepted) Check({.line = line});
    EXPECT_EQ(TestModel().model.ExecuteCommand(nullptr).executed, 0);
}

TEST(CommandLanguage, PsnComposesAtOnceAndEncodeBuildsFromTheTextsAsComposed) {
    TestModel m;
    EXPECT_EQ(m.Run("PSN=\"A|%TITLE%|B\""), 1);
    EXPECT_EQ(m.model.Texts().ps, "A|B");
    m.model.SetPsTitle("T");  // on air with the next Rebuild, not with ENCODE
    EXPECT_EQ(m.Run("ENCODE"), 1);
    EXPECT_EQ(m.model.Texts().ps, "A|B");
    EXPECT_EQ(m.model.GetImageLength(), 624);  // two pages sent six times, four groups each, 13 bytes a group
    m.model.Rebuild();
    EXPECT_EQ(m.model.Texts().ps, "A|T|B");
    EXPECT_EQ(m.model.GetImageLength(), 936);  // three pages
}

TEST(CommandFile, LinesAreTrimmedExecutedAndLoggedUntilADirectiveThenTheImageIsRebuilt) {
    const std::string open = "************** PROCESSAR O FICHEIRO RDS.TXT ***************\n";
    const std::string longLine = "PI=1234" + std::string(248, 'x') + std::string(45, 'y'), z255(255, 'z');
    // A row builds one blank page (4 records) unless it says otherwise.
    const struct {
        std::string bytes, logged;
        bool autoLoad = false;
        int records = 4;
    } cases[] = {
        {"; Orvane FM\r\n\r\n   \r\n;PI=1111\r\n\t\n", ""},
        {"PI=C201   \r\nXY\nXYZ\n ;PTY=0A\nTP=01\xE9\xFF\n  .END\n.asyncload\nDI=01",  // no last line end
         "PI=C201 - OK\nXYZ - ERROR\n ;PTY=0A - ERROR\nTP=01 - OK\n  .END - ERROR\n.asyncload - ERROR\nDI=01 - OK\n"},
        {"PI=8A51\n.ASYNCLOAD\n.END\nPTY=0A\n", "PI=8A51 - OK\n", true},
        {".END   \r\nPI=1234\n", ""},
        {"PI=12\0"
         "34\nMS=01\n"s,
         "PI=12 - OK\nMS=01 - OK\n"},  // a zero byte ends the text
        // 255 characters make one command, the rest another; a line end alone is no piece.
        {longLine + "\n" + z255 + "\n",
         longLine.substr(0, 255) + " - OK\n" + std::string(45, 'y') + " - ERROR\n" + z255 + " - ERROR\n"},
        // RadioText composed; then the file is missing: nothing is built.
        {"PSN=\"ABCDEFGH\"\nTXT0=\"Ola\"\n", "PSN=\"ABCDEFGH\" - OK\nTXT0=\"Ola\" - OK\n", false, 28},
        // A PS page too long is still OK, and the next line says how it is cut.
        {"PSN=\"RADIO ORVANE\"\n",
         "PSN=\"RADIO ORVANE\" - OK\nP\xE1gina do PS \"RADIO ORVANE\" com mais de 8 "
         "caracteres: cortada para \"RADIO OR\".\n"},
        {"", "Ficheiro RDS.TXT Inexistente.\n", false, 0},
    };
    TempFolder dir;
    for (const auto& c : cases) {
        TestModel m;
        LogLines log;
        CTitleTracker titles;
        TestModel before;
        LogLines beforeLog;
        ASSERT_TRUE(titles.Poll(dir.Write("old.htm", "<P>\n<FONT FACE=>Old song</FONT>\n"), before.model, beforeLog));
        ASSERT_EQ(titles.AppliedTitle(), "Old song");
        bool autoLoad = false;
        CModelCommandFileHost host(m.model, log, titles, autoLoad);
        ProcessCommandFile(c.records ? dir.Write("RDS.TXT", c.bytes) : dir.path + "/NONE.TXT", host);
        EXPECT_EQ(log.lines, open + c.logged + (c.records ? std::string(74, '*') + "\n" : "")) << c.bytes.substr(0, 40);
        EXPECT_TRUE(autoLoad == c.autoLoad && titles.AppliedTitle().empty() && titles.TitleSum() == 0) << c.bytes;
        EXPECT_EQ(m.model.GetRecordCount(), c.records) << c.bytes.substr(0, 40);
    }
}

std::string Text(const std::array<char, 64>& composed) { return {composed.data(), 64}; }

// A folder copied from the station's PC keeps its "\" paths and its mix of cases.
TEST(FileLookup, MatchesEachComponentWithoutRegardToCase) {
    TempFolder dir;
    std::filesystem::create_directory(dir.path + "/Player");
    for (const char* name : {"DEF.INI", "Player/Status.htm", "mixed.TXT", "MIXED.txt"}) dir.Write(name, name);
    const std::string& d = dir.path;
    // An exact match wins; a missing name stays as written; an absolute name ignores the folder.
    const struct {
        std::string folder, name, expected;
    } cases[] = {{d, ".\\Def.Ini", "/DEF.INI"},
                 {d, "player//./STATUS.HTM", "/Player/Status.htm"},
                 {d, "mixed.TXT", "/mixed.TXT"},
                 {d, "no\\def.ini", "/no/def.ini"},
                 {"/x", "\\" + d.substr(1) + "\\PLAYER\\status.htm", "/Player/Status.htm"}};
    for (const auto& c : cases) EXPECT_EQ(ResolveFileName(c.folder, c.name), d + c.expected) << c.name;
}

TEST(Compose, PsTextWhereAnEmptyTitleDropsOnlyTheSeparatorAfterItAndRadioText) {
    const std::string a1000(1000, 'a'), now = Pad("NOW: %TITLE%");
    const struct {
        std::string ps, title, psText, rt = "", rtText = std::string(64, '\0');
    } cases[] = {
        {"RADIO XX|%TITLE%|NEWS", "Artist -|Song", "RADIO XX|Artist -|Song|NEWS", now, Pad("NOW: Artist -|Song")},
        {"RADIO XX|%TITLE%", "", "RADIO XX", now, Pad(Pad("NOW: ", 57), 64, '\0')},  // the title's room zero-filled
        {"RADIO XX|%TITLE%|NEWS", "", "RADIO XX|NEWS"},
        {"%TITLE%X|Y", "", "X|Y"},
        {"%TITLE%||A", "", "|A"},
        // An empty PS source empties the text; only the first placeholder is filled.
        {"", "T", "", Pad("Sem titulo"), Pad("Sem titulo")},
        {"A|%TITLE%|%TITLE%", "T", "A|T|%TITLE%"},
        {"%TITLE%", "ABCDEFGH|", "ABCDEFGH"},  // a final '|' goes
        {"%TITLE%", std::string(70, 't'), std::string(70, 't'), now, "NOW: " + std::string(59, 't')},
        {a1000 + "%TITLE%", std::string(23, 'b'), a1000 + std::string(23, 'b')},
        {a1000 + "%TITLE%", std::string(24, 'b'), "OLD"},  // 1024 characters are not stored
    };
    for (const auto& c : cases) {
        StationData d;
        d.SetPsSource(c.ps);
        d.SetPsTitle(c.title);
        d.SetRtTitle(c.title);
        const std::string ps = ComposePsText(d).value_or("OLD");
        EXPECT_EQ(ps, c.psText) << c.ps.substr(0, 30) << " / " << c.title;
        EXPECT_EQ(Text(ComposeRadioText(c.rt, d.RtTitle())), c.rtText) << c.rt << " / " << c.title;
    }
}

TEST(Title, PsPagesCutTitleChecksumStatusFileMarkersAndAPollRebuildingForEachNewTitle) {
    // Checksums are the byte sums mod 256 of the raw title, by hand; `cut` is the title left by a cut extension.
    const struct {
        std::string raw, pages;
        uint8_t sum;
        std::string cut = "";
    } cases[] = {
        {"Artist - Song Title", "Artist -|Song Tit|le", 157},
        {"Artist - Song.mp3", "Artist -|Song", 185, "Artist - Song"},
        {"_01Song.wav", "Song", 211, "_01Song"},
        {"_0", "", 143},
        {"Song.MP3", "Song.MP3", 149},
        {".mp3", ".mp3", 62},
        {"Track.mp3.x", "Track.mp|3.x", 217},
        {"ABCDEFGH   ", "ABCDEFGH|", 132},
        {"   Song", "Song", 247},
        {"\x80\x80", "\x80\x80", 0},
        {"Track 12", "Track 12", 120},
    };
    for (const auto& c : cases) {
        std::string title = c.raw;
        uint8_t sum = 0xAA;
        EXPECT_EQ(FormatPsTitle(title, sum), c.pages) << c.raw;
        EXPECT_EQ(std::tie(title, sum), std::tie(c.cut.empty() ? c.raw : c.cut, c.sum)) << c.raw;
        EXPECT_EQ(TitleChecksum(c.raw), c.sum) << c.raw;
    }
    const struct {
        std::string bytes;
        const char* title;
    } files[] = {
        // nullptr: no title read
        {"first\n</FONT>FACE=>Later</FONT> and </FONT>", "Later"},
        {"FACE=>on the first line</FONT>\nsecond\n", nullptr},
        {"1\n2\nFACE=>on the third</FONT>\n", nullptr},
        {std::string(511, 'x') + "FACE=>Rest</FONT>\n", "Rest"},  // past the read limit the rest is line two
        {"first\n" + std::string(500, ' ') + "FACE=>Too far</FONT>\n", nullptr},  // 511 characters looked at
    };
    TempFolder dir;
    for (const auto& c : files) {
        std::string title = "unchanged";
        EXPECT_EQ(ReadTitleFile(dir.Write("s.htm", c.bytes), title), c.title != nullptr) << c.bytes.substr(0, 60);
        EXPECT_EQ(title, c.title ? c.title : "unchanged") << c.bytes.substr(0, 60);
    }

    // A poll rebuilds for each new title, even one with the same checksum.
    TestModel m;
    CTitleTracker tracker;
    LogLines log;
    const auto poll = [&](const std::string& title) {  // a status file as the player writes it
        const char* html = "<HTML><HEAD><META HTTP-EQUIV=\"Refresh\" CONTENT=\"10\"></HEAD>\r\n<BODY><FONT FACE=>";
        return tracker.Poll(dir.Write("STATUS.HTM", html + title + "</FONT>\r\n"), m.model, log);
    };
    const std::string accents = "_07In\xEAs Tavares - Can\xE7\xE3o.mp3";
    m.Run("PSN=\"RADIO XX|%TITLE%\"");
    m.Run("TXT1=\"NOW: %TITLE%\"");
    EXPECT_FALSE(poll(""));  // no rebuild right after the command file
    EXPECT_TRUE(poll(accents));
    EXPECT_EQ(m.model.Texts().ps, "RADIO XX|In\xEAs Tav|ares - C|an\xE7\xE3o");
    EXPECT_EQ(Text(m.model.Texts().radioText[1]), Pad("NOW: " + accents.substr(3)));
    EXPECT_FALSE(poll(accents));
    EXPECT_TRUE(poll("Track 21") && poll("Track 12"));  // the same byte sum
    EXPECT_EQ(m.model.Texts().ps + Text(m.model.Texts().radioText[1]), "RADIO XX|Track 12" + Pad("NOW: Track 12"));
    tracker.Reset();
    EXPECT_TRUE(poll("Track 12"));  // the command file starts afresh
    EXPECT_FALSE(tracker.Poll(dir.path + "/none.htm", m.model, log));
    EXPECT_EQ(log.lines,
              "Set title = \"_07In\xEAs Tavares - Can\xE7\xE3o\"\nSet title = \"Track 21\"\n"
              "Set title = \"Track 12\"\nSet title = \"Track 12\"\n");
}
