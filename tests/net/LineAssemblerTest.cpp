#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LineAssembler.h"

using namespace std::string_literals;

namespace {

struct SplitCase {
    const char* name;
    std::vector<std::string> receives;
    std::vector<std::string> lines;
    std::string held;  // what TakeHeld gives afterwards
};

std::vector<std::string> FeedAll(CLineAssembler& a, const std::vector<std::string>& receives)
{
    std::vector<std::string> lines;
    for (const auto& r : receives)
        a.Feed(r.data(), r.size(), lines);
    return lines;
}

}  // namespace

TEST(LineAssembler, SplitsTrimsAndHolds)
{
    const std::vector<SplitCase> cases = {
        {"bare command", {"PI=C201"}, {"PI=C201"}, ""},
        {"bare writes stay apart", {"PI=C201", "ENCODE"}, {"PI=C201", "ENCODE"}, ""},
        {"bare blanks still run", {"  "}, {""}, ""},
        {"bare trailing accent", {"PS=CAF\xC9  "}, {"PS=CAF"}, ""},
        {"two lines in one receive", {"PI=C201\r\nTA=1\r\n"}, {"PI=C201", "TA=1"}, ""},
        {"any mix of line ends", {"TA=1\n\rTP=1\nPS=X\r"}, {"TA=1", "TP=1", "PS=X"}, ""},
        {"line split over receives", {"TA=1\r\nPI=C2", "01\r\n"}, {"TA=1", "PI=C201"}, ""},
        {"trailing piece held", {"TA=1\r\nENC"}, {"TA=1"}, "ENC"},
        {"bare piece held once line ends seen", {"\r\n", "ENCODE"}, {}, "ENCODE"},
        {"zero byte ends the line", {"TA=1\0XY\r\n"s}, {"TA=1"}, ""},
        {"leading blanks kept", {"  TA=1 \r\n"}, {"  TA=1"}, ""},
        {"blank lines carry nothing", {"\r\n \r\n\t\x01\r\n"}, {}, ""},
        {"inner high bytes kept", {"PS=\xC9T\xC9\r\n"}, {"PS=\xC9T"}, ""},
        {"held piece trimmed", {"\n", "ENCODE \xE9"}, {}, "ENCODE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CLineAssembler a;
        EXPECT_EQ(FeedAll(a, c.receives), c.lines);
        std::string held;
        EXPECT_EQ(a.TakeHeld(held), !c.held.empty());
        EXPECT_EQ(held, c.held);
        EXPECT_FALSE(a.HasHeld());
    }
}

TEST(LineAssembler, LongLinesGoInPiecesOfTheBufferSize)
{
    {
        SCOPED_TRACE("bare receive larger than the buffer");
        CLineAssembler a;
        const auto lines = FeedAll(a, {std::string(3000, 'A')});
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].size(), 2047u);
        EXPECT_EQ(lines[1].size(), 953u);
    }
    {
        SCOPED_TRACE("held piece never outgrows the buffer");
        CLineAssembler a;
        const auto lines = FeedAll(a, {"\n", std::string(2100, 'C')});
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].size(), 2047u);
        std::string held;
        ASSERT_TRUE(a.TakeHeld(held));
        EXPECT_EQ(held, std::string(53, 'C'));
    }
}

TEST(LineAssembler, ResetForgetsTheLineEndsOfTheLastClient)
{
    CLineAssembler a;
    FeedAll(a, {"TA=1\r\nPI=C2"});
    a.Reset();
    EXPECT_FALSE(a.HasHeld());
    // A new client's bare write is one command again, not a held piece.
    EXPECT_EQ(FeedAll(a, {"ENCODE"}), std::vector<std::string>{"ENCODE"});
}
