// The line protocol of CI2cPort on the simulated interface, decoded from the register
// accesses on its own, without asking the bus master what it meant to do.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "ChipRig.h"

namespace {
// Bus tokens from the data-register writes (bit 0 pulls SDA low, bit 1 pulls SCL low) and
// the status reads (bit 7 SDA) at 0x378/0x379: "S" start, "Sr" repeated start, "P" stop,
// "A2+" a byte with its acknowledge (+) or not-acknowledge (-), "?n" n stray bits.
std::vector<std::string> DecodeBus(const std::vector<TracedSim::Event>& events) {
    std::vector<std::string> tokens;
    bool sda = true, scl = true, inTransfer = false, clockHigh = false, bit = true;
    int bits = 0, shift = 0;
    for (const TracedSim::Event& e : events) {
        if (e.kind == 'r' && e.port == 0x379 && clockHigh) bit = bit && (e.value & 0x80) != 0;
        if (e.kind != 'w' || e.port != 0x378) continue;
        const bool newSda = (e.value & 0x01) == 0, newScl = (e.value & 0x02) == 0;
        if (scl && newScl && sda != newSda) {  // SDA moving under a high clock
            if (bits != 0) tokens.push_back("?" + std::to_string(bits));
            tokens.push_back(newSda ? "P" : inTransfer ? "Sr" : "S");
            inTransfer = !newSda;
            clockHigh = false;
            bits = shift = 0;
        } else if (!scl && newScl) {
            clockHigh = true;
            bit = newSda;  // the line is low if anyone pulls it
        } else if (scl && !newScl && std::exchange(clockHigh, false) && inTransfer) {
            shift = shift << 1 | bit;
            if (++bits == 9) {
                char token[8];
                std::snprintf(token, sizeof token, "%02X%c", shift >> 1, shift & 1 ? '-' : '+');
                tokens.push_back(token);
                bits = shift = 0;
            }
        }
        sda = newSda;
        scl = newScl;
    }
    return tokens;
}

using Tokens = std::vector<std::string>;

class I2cBus : public ::testing::Test {
protected:
    void SetUp() override { sim.PortWrite(0x378, 0xA8); }  // bits another program left set on the port
    // Every data-register write since the last look has these bits; bits 3..7 are never ours.
    [[nodiscard]] bool Kept(uint32_t mask, uint32_t want) {
        const std::vector<uint32_t> writes = sim.Of('w', 0x378);
        sim.events.clear();
        return !writes.empty() &&
               std::all_of(writes.begin(), writes.end(), [&](uint32_t v) { return (v & mask) == want; });
    }
    TracedSim sim;
    CI2cPort bus{&sim};
};
}  // namespace

TEST_F(I2cBus, ByteTransfersOnTheLinesAndTheirWaits) {
    // Device bytes carry address bits 8..11 from bit 1 up; an absent chip leaves the bus at 0xFF.
    // A random read is 115 line changes, a byte write 86, each followed by the clock delay; only
    // a write that went through waits its write cycle, and counts of 0 wait nothing.
    struct Case {
        bool read, absent;
        uint8_t poll;
        uint16_t address;
        uint8_t value;
        uint32_t delay, wait;
        Tokens bus;
        std::vector<uint32_t> tail;
    };
    const Case cases[] = {
        {true, false, 0, 0x0123, 0x5A, 7, 1234, {"S", "A2+", "23+", "Sr", "A3+", "5A-", "P"}, {CI2cPort::READ_SETTLE}},
        {true, false, 0, 0x0800, 0xC3, 0, 0, {"S", "B0+", "00+", "Sr", "B1+", "C3-", "P"}, {CI2cPort::READ_SETTLE}},
        {true, false, 0, 0x0FFF, 0x81, 31, 0, {"S", "BE+", "FF+", "Sr", "BF+", "81-", "P"}, {CI2cPort::READ_SETTLE}},
        {true, true, 0, 0x0123, 0xFF, 31, 0, {"S", "A2-", "23-", "Sr", "A3-", "FF-", "P"}, {CI2cPort::READ_SETTLE}},
        {false, false, 0, 0x0010, 0x42, 7, 1234, {"S", "A0+", "10+", "42+", "P"}, {1234}},
        {false, false, 0, 0x0011, 0x43, 0, 0, {"S", "A0+", "11+", "43+", "P"}, {}},
        {false, true, 0, 0x0010, 0x42, 31, 1234, {"S", "A0-", "10-", "42-", "P"}, {}},
        {false, true, 1, 0x0010, 0x42, 31, 1234, {"S", "A0-", "10-", "42-", "P"}, {}},
    };
    ASSERT_TRUE(bus.Open());
    EXPECT_TRUE(Kept(0xF8, 0xA8));
    EXPECT_EQ(sim.PortRead(0x378), 0xAC);  // only Open raises the request
    for (const Case& c : cases) {
        bus.SetClockDelay(c.delay);
        bus.SetWriteWait(c.wait);
        bus.SetPollWrite(c.poll);
        sim.Chip().SetAbsent(c.absent);
        if (c.read) sim.Chip().Poke(c.address, c.absent ? 0x00 : c.value);
        sim.Spin(1'000'000);
        sim.events.clear();  // the previous write cycle is over
        if (c.read) EXPECT_EQ(bus.ReadByte(c.address), c.value) << &c - cases;
        else bus.WriteByte(c.address, c.value);
        const size_t changes = c.read ? 115 : 86;
        std::vector<uint32_t> spins(c.delay ? changes : 0, c.delay);
        spins.insert(spins.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(DecodeBus(sim.events), c.bus) << &c - cases;
        EXPECT_EQ(sim.Of('w', 0x378).size(), changes) << &c - cases;
        EXPECT_EQ(sim.Of('s'), spins) << &c - cases;
        EXPECT_EQ(bus.AckError(), c.absent) << &c - cases;
        EXPECT_FALSE(bus.AckError());   // reported once
        EXPECT_TRUE(Kept(0xFC, 0xAC));  // the request stays up through every transfer
    }
    EXPECT_TRUE(sim.Chip().Bytes()[0x10] == 0x42 && sim.Chip().Bytes()[0x11] == 0x43);
    bus.Close();
    EXPECT_TRUE(Kept(0xF8, 0xA8));
    EXPECT_EQ(sim.PortRead(0x378), 0xA8);  // and only Close drops it, lines released
}

TEST_F(I2cBus, PollingWriteEndsWhenTheChipAnswersOrAtItsLimit) {
    auto expected = [](const char* address, const char* data, size_t polls, bool answered) {
        Tokens tokens = {"S", "A0+", address, data, "P"};
        for (size_t p = 1; p <= polls; ++p)
            tokens.insert(tokens.end(), {"S", p == polls && answered ? "A0+" : "A0-", "P"});
        return tokens;
    };
    ASSERT_TRUE(bus.Open());
    bus.SetPollWrite(1);
    sim.events.clear();
    bus.WriteByte(0x0000, 0x55);
    const size_t polls = (DecodeBus(sim.events).size() - 5) / 3;
    EXPECT_EQ(DecodeBus(sim.events), expected("00+", "55+", polls, true));
    // A poll is 32 line changes of 1.31 us and one status read of 1 us: 42.92 us, so a 5 ms
    // write cycle takes 116 or 117 unanswered polls before the answered one.
    EXPECT_TRUE(polls >= 117 && polls <= 118) << polls;
    EXPECT_FALSE(bus.AckError());
    EXPECT_EQ(sim.Chip().Bytes()[0], 0x55);
    EXPECT_EQ(sim.Of('s'), std::vector<uint32_t>(sim.Of('w', 0x378).size(), CI2cPort::DEFAULT_CLOCK_DELAY));

    sim.Chip().SetWriteCycleStuck(true);
    sim.events.clear();
    bus.WriteByte(0x0005, 0x11);
    EXPECT_EQ(DecodeBus(sim.events), expected("05+", "11+", CI2cPort::WRITE_POLLS, false));
    EXPECT_TRUE(bus.AckError());
}

TEST_F(I2cBus, OpenWithoutAnswerGivesUpAfterItsReadLimitAndKeepsTheRequestTillClose) {
    sim.SetInterfaceSilent(true);
    EXPECT_FALSE(bus.Open());
    EXPECT_EQ(sim.Of('r', 0x379).size(), 1048577u);
    EXPECT_EQ(sim.PortRead(0x378), 0xAC);
    bus.Close();
    EXPECT_EQ(sim.PortRead(0x378), 0xA8);
}
