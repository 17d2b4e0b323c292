// The serial link to an external encoder, driven against the simulated encoder behind the
// first serial port's registers: the set-up writes, the bytes that reach the encoder, the
// echo wait with its empty-poll counter, and the bound on a transmitter that never drains.

#include <gtest/gtest.h>

#include <cstdio>

#include "CoderLink.h"
#include "SimSerialCoder.h"

namespace {

// Passes every access on to a port and keeps it: kind 'R', 'W' or 'S' (a Spin of value counts).
struct Access {
    char kind;
    uint16_t port;
    uint32_t value;
};

class CRecordingPort : public IPortIo {
public:
    explicit CRecordingPort(IPortIo& inner) : m_inner(inner) {}
    [[nodiscard]] uint8_t PortRead(uint16_t port) override {
        const uint8_t value = m_inner.PortRead(port);
        accesses.push_back({'R', port, value});
        return value;
    }
    void PortWrite(uint16_t port, uint8_t value) override {
        m_inner.PortWrite(port, value);
        accesses.push_back({'W', port, value});
    }
    void Spin(uint32_t count) override {
        m_inner.Spin(count);
        accesses.push_back({'S', 0, count});
    }
    [[nodiscard]] uint64_t NowNs() const override { return m_inner.NowNs(); }

    std::vector<Access> accesses;

private:
    IPortIo& m_inner;
};

std::string Show(const Access& a) {
    char text[24];
    if (a.kind == 'S') std::snprintf(text, sizeof text, "S%u", a.value);
    else std::snprintf(text, sizeof text, "%c%X=%02X", a.kind, a.port, a.value);
    return text;
}

// For each byte sent: the empty line-status reads of its echo wait, and whether the wait
// ended on a received byte (the last status read showed data ready).
struct EchoWait {
    int emptyPolls = 0;
    bool endedByEcho = false;
};

std::vector<EchoWait> EchoWaits(const std::vector<Access>& accesses) {
    std::vector<EchoWait> waits;
    bool waiting = false;
    bool dlab = false;  // a divisor byte is no character
    for (const Access& a : accesses) {
        if (a.kind == 'W' && a.port == 0x3FB) dlab = (a.value & 0x80) != 0;
        if (a.kind == 'W' && a.port == 0x3F8 && !dlab) {
            waits.emplace_back();
            waiting = true;
        } else if (waiting && a.kind == 'R' && a.port == 0x3FD) {
            const bool ready = (a.value & 0x01) != 0;
            waits.back().emptyPolls += ready ? 0 : 1;
            waits.back().endedByEcho = ready;
        } else if (waiting && a.kind == 'R' && a.port == 0x3F8) {
            waiting = false;
        }
    }
    return waits;
}

struct LinkBench {
    CSimSerialCoder coder;
    CRecordingPort port{coder};
    CCoderLink link{&port};
};

}  // namespace

TEST(CoderLink, InitProgramsNineSixHundredEightNOneEachWriteSettled) {
    LinkBench bench;
    bench.link.Init();
    std::vector<std::string> shown;
    for (const Access& a : bench.port.accesses) shown.push_back(Show(a));
    // Divisor latch, divisor 12 low then high, 8N1, DTR+RTS, no interrupts, receiver emptied.
    const std::vector<std::string> expected = {"W3FB=80", "S1000",   "W3F8=0C", "S1000",   "W3F9=00",
                                               "S1000",   "W3FB=03", "S1000",   "W3FC=03", "S1000",
                                               "W3F9=00", "S1000",   "R3F8=00"};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(bench.coder.ModemControl(), 0x03);
    EXPECT_EQ(bench.coder.InterruptEnable(), 0x00);
    // 10 bits at 9600 bit/s.
    EXPECT_EQ(bench.coder.CharacterNs(), 1'041'666u);
}

TEST(CoderLink, EncoderReceivesEveryByteWithLineFeedsAsCarriageReturns) {
    struct Case {
        const char* name;
        std::string text, received;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"announcement",
         "RDS Server is on line.\n",
         std::string("RDS Server is on line.") + '\x0D',
         {"RDS Server is on line."}},
        {"inner line feed", "PI=C201\nTA=1", "PI=C201\rTA=1", {"PI=C201"}},
        {"any byte value", std::string("A\0\xFF\r", 4), std::string("A\0\xFF\r", 4), {std::string("A\0\xFF", 3)}},
        {"empty text", "", "", {}},
    };
    for (const Case& c : cases) {
        LinkBench bench;
        bench.link.Init();
        const CoderSendResult result = bench.link.Send(c.text);
        bench.coder.Idle(2'000'000);  // the last byte may still be on the line
        EXPECT_EQ(bench.coder.Received(), c.received) << c.name;
        EXPECT_EQ(bench.coder.Lines(), c.lines) << c.name;
        EXPECT_EQ(result.sent, c.text.size()) << c.name;
        EXPECT_FALSE(result.Stalled()) << c.name;
    }
}

TEST(CoderLink, WithoutInitTheEncoderHearsNothingItUnderstands) {
    CSimSerialCoder coder;
    CCoderLink link(&coder);
    EXPECT_EQ(link.Send("PI=C201").sent, 7u);  // the bytes leave, at the UART's reset framing
    EXPECT_TRUE(coder.Received().empty());
    EXPECT_EQ(coder.GarbledCount(), 7);
}

TEST(CoderLink, EchoEndsEachWaitUntilTheTextsEmptyPollsReachTheWrap) {
    LinkBench bench;
    bench.link.Init();
    // An echo comes back two character times after the byte went out, about 2083 polls of
    // 1 us: three of them fit in 8192 empty polls, the fourth wait runs into the wrap.
    bench.link.Send("ABCD");
    const std::vector<EchoWait> waits = EchoWaits(bench.port.accesses);
    ASSERT_EQ(waits.size(), 4u);
    int polls = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(waits[i].endedByEcho) << i;
        EXPECT_GT(waits[i].emptyPolls, 2000) << i;
        EXPECT_LT(waits[i].emptyPolls, 2200) << i;
        polls += waits[i].emptyPolls;
    }
    EXPECT_FALSE(waits[3].endedByEcho);
    EXPECT_EQ(polls + waits[3].emptyPolls, 8192);
    EXPECT_EQ(bench.coder.Received(), "ABCD");
}

TEST(CoderLink, WithoutEchoEveryCharacterWaitsOneFullCount) {
    LinkBench bench;
    bench.coder.SetEcho(CSimSerialCoder::Echo::None);
    bench.link.Init();
    const CoderSendResult result = bench.link.Send("PI=C201\n");
    EXPECT_EQ(result.sent, 8u);
    EXPECT_EQ(bench.coder.Received(), "PI=C201\r");
    const std::vector<EchoWait> waits = EchoWaits(bench.port.accesses);
    ASSERT_EQ(waits.size(), 8u);
    for (const EchoWait& w : waits) {
        EXPECT_EQ(w.emptyPolls, 8192);
        EXPECT_FALSE(w.endedByEcho);
    }
}

TEST(CoderLink, LateEchoesStillLetTheWholeTextThrough) {
    LinkBench bench;
    bench.coder.SetEcho(CSimSerialCoder::Echo::Late);
    bench.link.Init();
    EXPECT_EQ(bench.link.Send("TA=1\nTP=1\n").sent, 10u);
    EXPECT_EQ(bench.coder.Lines(), (std::vector<std::string>{"TA=1", "TP=1"}));
    // The first wait meets no echo; later ones end on an echo of an earlier byte.
    const std::vector<EchoWait> waits = EchoWaits(bench.port.accesses);
    EXPECT_FALSE(waits.front().endedByEcho);
    EXPECT_TRUE(std::any_of(waits.begin(), waits.end(), [](const EchoWait& w) { return w.endedByEcho; }));
}

TEST(CoderLink, TransmitterThatNeverDrainsDropsTheRestAfterTheLimit) {
    CSimSerialCoder coder;
    coder.SetTransmitterStuck(true);
    CCoderLink link(&coder);
    link.Init();
    const uint64_t start = coder.NowNs();
    const CoderSendResult result = link.Send(std::string(1000, 'X'));
    const uint64_t spent = coder.NowNs() - start;
    EXPECT_EQ(result.sent, 0u);
    EXPECT_EQ(result.dropped, 1000u);
    EXPECT_TRUE(result.Stalled());
    // One limit of 100 ms for the text, not one per byte.
    EXPECT_GE(spent, 100'000'000u);
    EXPECT_LT(spent, 101'000'000u);
    EXPECT_TRUE(coder.Received().empty());
}

TEST(CoderLink, SlowLineThatStillDrainsIsWaitedForInFull) {
    // Set by hand, as Init would always choose 9600: 10 bits a character at 115200 / divisor.
    struct Case {
        uint16_t divisor;
        std::size_t sent;  // of "ABC"
    };
    const std::vector<Case> cases = {
        {768, 3},   // 150 bit/s: 66.7 ms a character, inside the limit
        {1536, 1},  // 75 bit/s: 133 ms a character; the second byte finds the line still busy
    };
    for (const Case& c : cases) {
        CSimSerialCoder coder;
        coder.SetEcho(CSimSerialCoder::Echo::None);
        coder.PortWrite(0x3FB, 0x80);
        coder.PortWrite(0x3F8, static_cast<uint8_t>(c.divisor & 0xFF));
        coder.PortWrite(0x3F9, static_cast<uint8_t>(c.divisor >> 8));
        coder.PortWrite(0x3FB, 0x03);
        CCoderLink link(&coder);
        const CoderSendResult result = link.Send("ABC");
        EXPECT_EQ(result.sent, c.sent) << c.divisor;
        EXPECT_EQ(result.dropped, 3 - c.sent) << c.divisor;
    }
}
