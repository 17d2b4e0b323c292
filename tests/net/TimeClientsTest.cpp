#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "TimeClients.h"

namespace {

TEST(TimeClients, ParsesClientLinesAsTheFileFormatReadsThem)
{
    const struct {
        const char* line;
        bool parses;
        std::array<int, 5> numbers;
    } cases[] = {
        {"192.168.001.010@5000", true, {192, 168, 1, 10, 5000}},
        {" 10. 0.\t0. 1@ 80", true, {10, 0, 0, 1, 80}},
        {"10.0.0.1@80 the studio PC\n", true, {10, 0, 0, 1, 80}},
        {"+10.-1.0.1@80", true, {10, -1, 0, 1, 80}},
        {"300.1.1.1@5000", true, {300, 1, 1, 1, 5000}},
        {"10.0.0.1 @80", false, {}},
        {"10.0.0@80", false, {}},
        {"10.0.0.1", false, {}},
        {"10.0.0.1@", false, {}},
        {"a.b.c.d@1", false, {}},
        {"10,0,0,1@80", false, {}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::array<int, 5> numbers{7, 7, 7, 7, 7};
        EXPECT_EQ(ParseTimeClient(c.line, numbers), c.parses);
        if (c.parses) {
            EXPECT_EQ(numbers, c.numbers);
        }
    }
}

TEST(TimeClients, UsableOnlyWithOctetsAndAPortInRange)
{
    const struct {
        std::array<int, 5> numbers;
        bool usable;
    } cases[] = {
        {{127, 0, 0, 1, 1}, true},        {{255, 255, 255, 255, 65535}, true},
        {{300, 1, 1, 1, 5000}, false},    {{10, -1, 0, 1, 80}, false},
        {{10, 0, 0, 1, 0}, false},        {{10, 0, 0, 1, 65536}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsUsableTimeClient(c.numbers), c.usable) << c.numbers[0] << "@" << c.numbers[4];
}

TEST(TimeClients, BuildsThePacketWithItsXorCheckByte)
{
    const struct {
        int h, m, s;
        const char* packet;
    } cases[] = {
        {5, 8, 46, "TIME=[05.08.46.23]"},
        {0, 0, 0, "TIME=[00.00.00.00]"},
        {23, 59, 59, "TIME=[23.59.59.17]"},  // 23^59 = 44, 44^59 = 23
        {12, 34, 56, "TIME=[12.34.56.16]"},  // 12^34 = 46, 46^56 = 22
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTimePacket(c.h, c.m, c.s), c.packet);
        EXPECT_EQ(std::string(c.packet).size(), 18u);
    }
}

TEST(TimeClients, TrimsKeptLinesButNotTheirFirstByteOrATrailingBlank)
{
    EXPECT_EQ(TrimTimeClientLine("10.0.0.1@80\r\n"), "10.0.0.1@80");
    EXPECT_EQ(TrimTimeClientLine("10.0.0.1@80 \n"), "10.0.0.1@80 ");
    EXPECT_EQ(TrimTimeClientLine("10.0.0.1@80\xE9\x01\n"), "10.0.0.1@80");
    EXPECT_EQ(TrimTimeClientLine("\x01\x02"), "\x01");
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

TEST(TimeClients, ReadsAtMostThirtyTwoClientsSkippingCommentsAndJunk)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
    ASSERT_TRUE(file);
    std::fputs("; time clients of the studio\n", file.get());
    std::fputs("studio PC\n", file.get());
    std::fputs(";10.0.0.99@99\n", file.get());
    for (int i = 1; i <= 40; ++i) {
        std::fprintf(file.get(), "10.0.0.%d@%d\r\n", i, 6000 + i);
        if (i == 3)
            std::fputs("10.0.0@1\n\n", file.get());
    }
    std::rewind(file.get());

    std::array<std::string, kMaxTimeClients> clients;
    ASSERT_EQ(ReadTimeClients(file.get(), clients), 32);
    EXPECT_EQ(clients[0], "10.0.0.1@6001");
    EXPECT_EQ(clients[3], "10.0.0.4@6004");
    EXPECT_EQ(clients[31], "10.0.0.32@6032");
}

}  // namespace
