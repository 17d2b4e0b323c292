// The line protocol of CI2cPort, decoded from its register writes on the simulated interface.

#include <gtest/gtest.h>

#include <functional>

#include "BusTrace.h"
#include "I2cPort.h"
#include "SimParallelPort.h"

namespace {
using Tokens = std::vector<std::string>;

class I2cBus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.Open());
        trace.Clear();
    }
    [[nodiscard]] Tokens Decoded() const { return DecodeBus(trace.Events(), 0x378); }
    [[nodiscard]] int Count(PortEvent::Kind kind, uint16_t port) const {
        int n = 0;
        for (const PortEvent& e : trace.Events()) n += e.kind == kind && e.port == port;
        return n;
    }
    [[nodiscard]] std::vector<uint32_t> Spins() const {
        std::vector<uint32_t> counts;
        for (const PortEvent& e : trace.Events())
            if (e.kind == PortEvent::Spin) counts.push_back(e.value);
        return counts;
    }

    CSimParallelPort sim;
    CTracingPort trace{sim};
    CI2cPort bus{&trace};
};
}  // namespace

TEST_F(I2cBus, RandomReadPutsDeviceAddressAndDataOnTheBus) {
    // Device bytes carry address bits 8..11 from bit 1 up; only the low byte goes as address.
    struct Case {
        uint16_t address;
        uint8_t stored;
        Tokens expected;
    };
    const Case cases[] = {
        {0x0123, 0x5A, {"S", "A2+", "23+", "Sr", "A3+", "5A-", "P"}},
        {0x0000, 0x00, {"S", "A0+", "00+", "Sr", "A1+", "00-", "P"}},
        {0x0800, 0xC3, {"S", "B0+", "00+", "Sr", "B1+", "C3-", "P"}},
        {0x0FFF, 0x81, {"S", "BE+", "FF+", "Sr", "BF+", "81-", "P"}},
    };
    for (const Case& c : cases) {
        sim.Chip().Poke(c.address, c.stored);
        trace.Clear();
        EXPECT_EQ(bus.ReadByte(c.address), c.stored) << std::hex << c.address;
        EXPECT_EQ(Decoded(), c.expected) << std::hex << c.address;
        EXPECT_FALSE(bus.AckError());
    }
}

TEST_F(I2cBus, LineChangeCountsOfReadAndWrite) {
    // 115 line changes for a random read, 86 for a byte write, each followed by the clock delay.
    bus.SetClockDelay(7);
    bus.SetWriteWait(1234);
    (void)bus.ReadByte(0x0010);
    EXPECT_EQ(Count(PortEvent::Write, 0x378), 115);
    std::vector<uint32_t> expectedRead(115, 7);
    expectedRead.push_back(CI2cPort::READ_SETTLE);
    EXPECT_EQ(Spins(), expectedRead);

    trace.Clear();
    bus.WriteByte(0x0010, 0x42);
    EXPECT_EQ(Count(PortEvent::Write, 0x378), 86);
    std::vector<uint32_t> expectedWrite(86, 7);
    expectedWrite.push_back(1234);
    EXPECT_EQ(Spins(), expectedWrite);
    EXPECT_EQ(sim.Chip().Bytes()[0x10], 0x42);
}

TEST_F(I2cBus, WriteWithPollingPollsUntilTheChipAnswers) {
    bus.SetPollWrite(1);
    bus.WriteByte(0x0000, 0x55);
    const Tokens tokens = Decoded();
    const Tokens write = {"S", "A0+", "00+", "55+", "P"};
    ASSERT_GE(tokens.size(), write.size() + 6);
    EXPECT_EQ(Tokens(tokens.begin(), tokens.begin() + 5), write);
    const size_t polls = (tokens.size() - write.size()) / 3;
    ASSERT_EQ(tokens.size(), write.size() + 3 * polls);
    for (size_t p = 0; p < polls; ++p) {
        const Tokens expected = {"S", p + 1 == polls ? "A0+" : "A0-", "P"};
        EXPECT_EQ(Tokens(tokens.begin() + 5 + 3 * p, tokens.begin() + 8 + 3 * p), expected) << "poll " << p;
    }
    // A poll is 32 line changes of 1.31 us and one status read of 1 us: 42.92 us, so a 5 ms
    // write cycle takes 116 or 117 unanswered polls.
    EXPECT_GE(polls - 1, 116u);
    EXPECT_LE(polls - 1, 117u);
    EXPECT_FALSE(bus.AckError());
    EXPECT_EQ(sim.Chip().Bytes()[0], 0x55);
    // No fixed wait when polling.
    for (uint32_t count : Spins()) EXPECT_EQ(count, CI2cPort::DEFAULT_CLOCK_DELAY);
}

TEST_F(I2cBus, NoEepromAnsweringReadsFFAndReportsOnce) {
    sim.Chip().SetAbsent(true);
    EXPECT_EQ(bus.ReadByte(0x0123), 0xFF);
    EXPECT_EQ(Decoded(), (Tokens{"S", "A2-", "23-", "Sr", "A3-", "FF-", "P"}));
    EXPECT_TRUE(bus.AckError());
    EXPECT_FALSE(bus.AckError());
}

TEST_F(I2cBus, FailedWriteSkipsTheWriteCycleWait) {
    sim.Chip().SetAbsent(true);
    for (uint8_t poll : {0, 1}) {
        bus.SetPollWrite(poll);
        trace.Clear();
        bus.WriteByte(0x0000, 0x55);
        EXPECT_EQ(Decoded(), (Tokens{"S", "A0-", "00-", "55-", "P"})) << "poll " << int(poll);
        for (uint32_t count : Spins()) EXPECT_EQ(count, CI2cPort::DEFAULT_CLOCK_DELAY);
        EXPECT_TRUE(bus.AckError());
    }
}

TEST_F(I2cBus, WriteCycleThatNeverEndsGivesUpAfterItsPollLimit) {
    bus.SetPollWrite(1);
    sim.Chip().SetWriteCycleStuck(true);
    bus.WriteByte(0x0005, 0x11);
    const Tokens tokens = Decoded();
    ASSERT_EQ(tokens.size(), 5 + 3u * CI2cPort::WRITE_POLLS);
    EXPECT_EQ(tokens[tokens.size() - 2], "A0-");
    EXPECT_TRUE(bus.AckError());
}

TEST_F(I2cBus, ZeroCountsWaitNothing) {
    bus.SetClockDelay(0);
    bus.SetWriteWait(0);
    bus.WriteByte(0x0001, 0x77);
    (void)bus.ReadByte(0x0001);
    const std::vector<uint32_t> expected = {CI2cPort::READ_SETTLE};
    EXPECT_EQ(Spins(), expected);
}

TEST(I2cLines, UntouchedDataBitsAndRequestOnlyInOpenAndClose) {
    CSimParallelPort sim;
    CTracingPort trace(sim);
    CI2cPort bus(&trace);
    sim.PortWrite(0x378, 0xA8);  // bits another program left set on the port
    struct Step {
        const char* tag;
        std::function<void()> run;
    };
    const Step steps[] = {
        {"Close", [&] { bus.Close(); }},
        {"Open", [&] { EXPECT_TRUE(bus.Open()); }},
        {"Write", [&] { bus.WriteByte(0x0042, 0x3C); }},
        {"Poll", [&] { bus.SetPollWrite(1); bus.WriteByte(0x0043, 0xC3); }},
        {"Read", [&] { EXPECT_EQ(bus.ReadByte(0x0042), 0x3C); }},
        {"AckError", [&] { EXPECT_FALSE(bus.AckError()); }},
        {"Close", [&] { bus.Close(); }},
    };
    for (const Step& step : steps) {
        trace.SetTag(step.tag);
        step.run();
    }
    uint8_t previous = 0xA8;
    int requestChanges = 0;
    for (const PortEvent& e : trace.Events()) {
        if (e.kind != PortEvent::Write || e.port != 0x378) continue;
        EXPECT_EQ(e.value & 0xF8, 0xA8) << e.tag;
        if (((e.value ^ previous) & 0x04) != 0) {
            ++requestChanges;
            EXPECT_TRUE(e.tag == "Open" || e.tag == "Close") << e.tag;
        }
        previous = static_cast<uint8_t>(e.value);
    }
    EXPECT_EQ(requestChanges, 2);
    EXPECT_EQ(sim.PortRead(0x378), 0xA8);  // closed: lines released, no request
}

TEST(I2cLines, OpenWithoutAnswerGivesUpAfterItsReadLimitAndKeepsTheRequest) {
    CSimParallelPort sim;
    sim.SetInterfaceSilent(true);
    CTracingPort trace(sim);
    CI2cPort bus(&trace);
    EXPECT_FALSE(bus.Open());
    int statusReads = 0;
    for (const PortEvent& e : trace.Events()) statusReads += e.kind == PortEvent::Read && e.port == 0x379;
    EXPECT_EQ(statusReads, 1048577);
    EXPECT_EQ(sim.PortRead(0x378) & 0x07, 0x04);
    bus.Close();
    EXPECT_EQ(sim.PortRead(0x378) & 0x07, 0x00);
}

