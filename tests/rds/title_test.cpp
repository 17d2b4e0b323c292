// The now-playing title: status-file reading, clean-up and paging, and the poll's rebuilds.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "IClock.h"
#include "RdsModel.h"
#include "Title.h"

namespace fs = std::filesystem;

namespace {

struct LogLines : ILogSink {
    std::vector<std::string> lines;
    void AddLog(const std::string& line) override { lines.push_back(line); }
};

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "orvane-title-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string path = m_path + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// A status file as the player writes it, the title on the second line.
std::string StatusFile(const std::string& title) {
    return "<HTML><HEAD><META HTTP-EQUIV=\"Refresh\" CONTENT=\"10\"></HEAD>\r\n"
           "<BODY><FONT SIZE=2 FACE=>" + title + "</FONT></BODY>\r\n</HTML>\r\n";
}

TEST(FormatPsTitle, CutsExtensionAndNumberAndPagesByEight) {
    struct Case {
        std::string raw;
        std::string pages;
        std::string shown;  // the title as the log line shows it
    };
    const Case cases[] = {
        {"Artist - Song Title", "Artist -|Song Tit|le", "Artist - Song Title"},
        {"Artist - Song.mp3", "Artist -|Song", "Artist - Song"},
        {"ABCDEFG.mp3", "ABCDEFG", "ABCDEFG"},
        {"_01Song", "Song", "_01Song"},
        {"_01Song.wav", "Song", "_01Song"},
        {"Song.MP3", "Song.MP3", "Song.MP3"},          // the cut is case-sensitive
        {"Track.mp3.x", "Track.mp|3.x", "Track.mp3.x"},  // only the last '.' counts
        {".mp3", ".mp3", ".mp3"},                        // nor does a '.' in first place
        {"a.b.wav", "a.b", "a.b"},
        {"Song.wma", "Song.wma", "Song.wma"},            // ".wa" and ".mp" only
        {"ABCDEFGH", "ABCDEFGH", "ABCDEFGH"},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGH|IJKLMNOP", "ABCDEFGHIJKLMNOP"},
        {"ABCDEFGH   ", "ABCDEFGH|", "ABCDEFGH   "},       // only blanks after a full page
        {"   Song", "Song", "   Song"},
        {"        ", "", "        "},
        {"", "", ""},
        {"_01", "", "_01"},
        {"_0", "", "_0"},
        // CP1252 bytes, as the player writes them.
        {"In\xEAs Tavares - Can\xE7\xE3o da Ribeira.mp3", "In\xEAs Tav|ares - C|an\xE7\xE3o da|Ribeira",
         "In\xEAs Tavares - Can\xE7\xE3o da Ribeira"},
    };
    for (const auto& c : cases) {
        std::string title = c.raw;
        uint8_t sum = 0;
        EXPECT_EQ(FormatPsTitle(title, sum), c.pages) << c.raw;
        EXPECT_EQ(title, c.shown) << c.raw;
    }
}

TEST(FormatPsTitle, ChecksumIsTheByteSumOfTheRawTitle) {
    struct Case {
        std::string raw;
        uint8_t sum;
    };
    const Case cases[] = {
        {"Artist - Song Title", 157},
        {"Track 12", 120},
        {"Track 21", 120},
        {"In\xEAs Tavares - Can\xE7\xE3o da Ribeira.mp3", 195},  // taken before the cut
        {"\x80\x80", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        std::string title = c.raw;
        uint8_t sum = 0xAA;
        (void)FormatPsTitle(title, sum);
        EXPECT_EQ(sum, c.sum) << c.raw;
        EXPECT_EQ(TitleChecksum(c.raw), c.sum) << c.raw;
    }
}

TEST(ReadTitleFile, TakesTheTextBetweenTheMarkersOnTheSecondLine) {
    TempFolder dir;
    struct Case {
        std::string bytes;
        bool found;
        std::string title;
    };
    const Case cases[] = {
        {StatusFile("In\xEAs Tavares - Can\xE7\xE3o da Ribeira.mp3"), true,
         "In\xEAs Tavares - Can\xE7\xE3o da Ribeira.mp3"},
        {StatusFile(""), true, ""},
        {"first\nFACE=>A</FONT>", true, "A"},                         // no line end after it
        {"first\n</FONT>FACE=>Later</FONT> and </FONT>\n", true, "Later"},
        {"first\nFACE=>One FACE=>Two</FONT>\n", true, "One FACE=>Two"},
        {"FACE=>on the first line</FONT>\nsecond\n", false, ""},
        {"first\nthird has it\nFACE=>x</FONT>\n", false, ""},
        {"only one line FACE=>x</FONT>", false, ""},
        {"only one line\n", false, ""},
        {"", false, ""},
        {"first\nFACE=>no end marker\n", false, ""},
        {"first\nno start marker</FONT>\n", false, ""},
        // A first line longer than the read limit is read in pieces; its rest is line two.
        {std::string(511, 'x') + "FACE=>Rest</FONT>\n", true, "Rest"},
        // Only 511 characters of the second line are looked at.
        {"first\n" + std::string(500, ' ') + "FACE=>Too far</FONT>\n", false, ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string path = dir.Write("status" + std::to_string(n++) + ".htm", c.bytes);
        std::string title = "unchanged";
        EXPECT_EQ(ReadTitleFile(path, title), c.found) << c.bytes.substr(0, 60);
        EXPECT_EQ(title, c.found ? c.title : "unchanged") << c.bytes.substr(0, 60);
    }
    std::string title;
    EXPECT_FALSE(ReadTitleFile(dir.Path() + "/missing.htm", title));
}

class TitlePoll : public ::testing::Test {
protected:
    TempFolder dir;
    CFixedClock clock{CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60)};
    CRdsModel model{clock};
    CTitleTracker tracker;
    LogLines log;

    void SetUp() override {
        model.m_psnSource = "RADIO XX|%TITLE%";
        model.m_txt1Source = "NOW: %TITLE%" + std::string(52, ' ');
        model.Rebuild();
    }
    bool PollTitle(const std::string& title) {
        return tracker.Poll(dir.Write("STATUS.HTM", StatusFile(title)), model, log);
    }
    std::string RadioText1() const { return std::string(model.m_txt1Text.data(), 64); }
};

TEST_F(TitlePoll, NewTitleRebuildsAndLogsTheCutTitle) {
    EXPECT_TRUE(PollTitle("_07In\xEAs Tavares - Can\xE7\xE3o.mp3"));
    EXPECT_EQ(model.m_rtTitle, "In\xEAs Tavares - Can\xE7\xE3o.mp3");
    EXPECT_EQ(model.m_psTitle, "In\xEAs Tav|ares - C|an\xE7\xE3o");
    EXPECT_EQ(model.m_psnText, "RADIO XX|In\xEAs Tav|ares - C|an\xE7\xE3o");
    EXPECT_EQ(RadioText1().substr(0, 30), "NOW: In\xEAs Tavares - Can\xE7\xE3o.mp3");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Set title = \"_07In\xEAs Tavares - Can\xE7\xE3o\"");
    EXPECT_EQ(tracker.m_titleSum, TitleChecksum("_07In\xEAs Tavares - Can\xE7\xE3o.mp3"));
}

TEST_F(TitlePoll, SameTitleAgainDoesNothing) {
    ASSERT_TRUE(PollTitle("Artist - Song"));
    int length = model.GetImageLength();
    EXPECT_FALSE(PollTitle("Artist - Song"));
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(model.GetImageLength(), length);
}

TEST_F(TitlePoll, TitleWithTheSameChecksumStillGoesOnAir) {
    ASSERT_TRUE(PollTitle("Track 21"));
    ASSERT_EQ(model.m_psnText, "RADIO XX|Track 21");
    EXPECT_TRUE(PollTitle("Track 12"));
    EXPECT_EQ(model.m_psnText, "RADIO XX|Track 12");
    EXPECT_EQ(RadioText1().substr(0, 13), "NOW: Track 12");
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[1], "Set title = \"Track 12\"");
}

TEST_F(TitlePoll, AfterResetOnlyANonEmptyTitleRebuilds) {
    tracker.Reset();
    model.SetPsTitle("stale");
    EXPECT_FALSE(PollTitle(""));
    EXPECT_EQ(model.m_psTitle, "");  // stored even without a rebuild
    EXPECT_EQ(model.m_psnText, "RADIO XX");
    EXPECT_TRUE(log.lines.empty());

    // A title whose bytes happen to sum to zero is still a new title.
    EXPECT_TRUE(PollTitle("\x80\x80"));
    EXPECT_EQ(tracker.m_titleSum, 0);
    EXPECT_EQ(model.m_psnText, "RADIO XX|\x80\x80");

    tracker.Reset();
    EXPECT_TRUE(PollTitle("\x80\x80"));  // the command file starts afresh
}

TEST_F(TitlePoll, UnreadableFileLeavesEverythingAsItWas) {
    ASSERT_TRUE(PollTitle("Artist - Song"));
    std::string psn = model.m_psnText;
    EXPECT_FALSE(tracker.Poll(dir.Path() + "/none.htm", model, log));
    EXPECT_FALSE(tracker.Poll(dir.Write("bad.htm", "one line only"), model, log));
    EXPECT_EQ(model.m_rtTitle, "Artist - Song");
    EXPECT_EQ(model.m_psnText, psn);
    EXPECT_EQ(log.lines.size(), 1u);
}

}  // namespace
