// Block code, bit writer and the 0A record, checked against values worked out by hand and
// against the test receiver's own polynomial division.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockCoder.h"
#include "RdsModel.h"
#include "RdsTestDecoder.h"

namespace {

uint32_t Block26(uint16_t info, uint16_t check) { return uint32_t{info} << 10 | check; }

std::vector<uint8_t> RecordAt(const CRdsModel& model, int record) {
    const uint8_t* p = model.GetImage() + record * RECORD_BYTES;
    return {p, p + RECORD_BYTES};
}

TEST(BlockCoder, GeneratorRowsAreTheStandardMatrix) {
    // x^25 .. x^10 mod g(x), worked out by long division on paper.
    const uint16_t expected[16] = {0x077, 0x2E7, 0x3AF, 0x30B, 0x359, 0x370, 0x1B8, 0x0DC,
                                   0x06E, 0x037, 0x2C7, 0x3BF, 0x303, 0x35D, 0x372, 0x1B9};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(CheckwordRows()[static_cast<size_t>(i)], expected[i]) << "row " << i;
        // A single-bit word with offset A must divide out to syndrome A at the receiver.
        const uint16_t info = static_cast<uint16_t>(0x8000u >> i);
        EXPECT_EQ(rdstest::Syndrome(Block26(info, ComputeCheckword(info, OFFSET_A))), 0x0FC);
    }
}

TEST(BlockCoder, OffsetWordsAndWorkedCheckwords) {
    const uint16_t offsets[8] = {0x0FC, 0x198, 0x168, 0x350, 0x1B4, 0x000, 0x194, 0x000};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(OffsetWords()[static_cast<size_t>(i)], offsets[i]);
        EXPECT_EQ(ComputeCheckword(0x0000, i), offsets[i]) << "a zero word carries the offset";
    }
    struct Case { uint16_t info; int offset; uint16_t check; };
    const Case cases[] = {
        {0x1234, OFFSET_A, 0x06A},
        {0x0000, OFFSET_B, 0x198},
        {0x0000, OFFSET_D, 0x1B4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComputeCheckword(c.info, c.offset), c.check);
    }
}

TEST(BlockCoder, EveryOffsetIsRecognisedByTheReceiver) {
    const struct { int index; rdstest::Offset offset; } cases[] = {
        {OFFSET_A, rdstest::Offset::A}, {OFFSET_B, rdstest::Offset::B},
        {OFFSET_C, rdstest::Offset::C}, {OFFSET_C_PRIME, rdstest::Offset::CPrime},
        {OFFSET_D, rdstest::Offset::D},
    };
    for (uint32_t info : {0x0000u, 0xFFFFu, 0xC201u, 0x5A5Au, 0x0001u}) {
        for (const auto& c : cases) {
            const auto word = static_cast<uint16_t>(info);
            const uint16_t s = rdstest::Syndrome(Block26(word, ComputeCheckword(word, c.index)));
            EXPECT_EQ(rdstest::OffsetFromSyndrome(s), c.offset) << std::hex << info;
        }
    }
}

TEST(GroupRecord, PsSegmentMatchesTheWorkedRecord) {
    CFixedClock clock;
    CRdsModel model(clock);
    model.m_pi = 0x1234;
    model.m_af[0] = 0xCD;
    model.m_af[1] = 0xCD;
    ASSERT_TRUE(model.EncodePsGroup(0, 'A', 'B'));
    const std::vector<uint8_t> expected = {0x12, 0x34, 0x1A, 0x80, 0x00, 0x19, 0x8C,
                                           0xDC, 0xDA, 0xCD, 0x05, 0x08, 0xCA};
    EXPECT_EQ(RecordAt(model, 0), expected);
    EXPECT_EQ(model.m_writePos, RECORD_BYTES);
    EXPECT_EQ(model.m_writeMask, 0x80);
}

TEST(GroupRecord, PsBlock2CarriesFlagsAndOneDiBitPerSegment) {
    CFixedClock clock;
    CRdsModel model(clock);
    model.m_tp = 1;
    model.m_ta = 1;
    model.m_ms = 1;
    model.m_pty = 31;
    model.m_di = 0x9;  // 1001: segments 0 and 3 carry a set bit
    for (int s = 0; s < 4; ++s) {
        ASSERT_TRUE(model.EncodePsGroup(s, 'x', 'y'));
    }
    // 0000 0 TP PTY(5) TA MS DI s(2), by hand: 0x07F8 | DI<<2 | s
    const uint16_t expected[4] = {0x07FC, 0x07F9, 0x07FA, 0x07FF};
    const auto groups = rdstest::DecodeImage(model.GetImage(), model.m_writePos);
    ASSERT_EQ(groups.size(), 4u);
    for (size_t s = 0; s < 4; ++s) {
        EXPECT_TRUE(groups[s].valid);
        EXPECT_EQ(groups[s].blocks[1].info, expected[s]) << "segment " << s;
        EXPECT_EQ(groups[s].blocks[2].info, 0xCDCD) << "AF filler code";
    }
}

TEST(BitWriter, RefusesEveryBitPastTheCapacity) {
    CFixedClock clock;
    CRdsModel model(clock);
    model.m_image.fill(0x55);
    model.m_writePos = IMAGE_CAPACITY - 1;
    EXPECT_TRUE(model.PutBits(0xFF00, 8));
    EXPECT_EQ(model.m_writePos, IMAGE_CAPACITY);
    EXPECT_FALSE(model.PutBit(1));
    EXPECT_FALSE(model.PutBits(0xFFFF, 16));
    EXPECT_EQ(model.m_writePos, IMAGE_CAPACITY);
    EXPECT_EQ(model.m_writeMask, 0x80);
    EXPECT_EQ(model.m_image[IMAGE_CAPACITY - 1], 0xFF);
    EXPECT_EQ(model.m_image[IMAGE_CAPACITY - 2], 0x55);

    // A block that starts in the last two bytes keeps what fits and drops its check field.
    model.m_writePos = IMAGE_CAPACITY - 2;
    model.m_writeMask = 0x80;
    EXPECT_TRUE(model.PutBits(0x0000, 10));  // 10 bits: 6 left in the buffer
    EXPECT_FALSE(model.EncodeBlock(0xFFFF, OFFSET_A));
    EXPECT_EQ(model.m_image[IMAGE_CAPACITY - 1], 0x3F);
}

TEST(BitWriter, ClearsAndSetsSingleBitsWithoutTouchingTheRest) {
    CFixedClock clock;
    CRdsModel model(clock);
    model.m_image[0] = 0xF0;
    model.m_image[1] = 0x8F;
    model.m_writeMask = 0x10;  // start mid-byte
    EXPECT_TRUE(model.PutBits(0x2000, 6));  // 0 0 1 0 0 over bits 4..0, then 0 into bit 7 of byte 1
    EXPECT_EQ(model.m_image[0], 0xE4);
    EXPECT_EQ(model.m_image[1], 0x0F);
    EXPECT_EQ(model.m_writePos, 1);
    EXPECT_EQ(model.m_writeMask, 0x40);
}

}  // namespace

namespace {

// The receiver itself, on the worked records typed in from outside the coder.
TEST(TestReceiver, ReadsTheWorkedRecords) {
    const uint8_t ps[13] = {0x12, 0x34, 0x1A, 0x80, 0x00, 0x19, 0x8C,
                            0xDC, 0xDA, 0xCD, 0x05, 0x08, 0xCA};
    const uint8_t ct[13] = {0x12, 0x34, 0x1A, 0x90, 0x00, 0x6C, 0x6D,
                            0xF8, 0x8B, 0x4F, 0x22, 0x0B, 0x61};
    rdstest::CTestReceiver rx;
    for (const uint8_t* record : {ps, ct}) {
        const rdstest::Group g = rdstest::DecodeRecord(record);
        EXPECT_TRUE(g.valid);
        EXPECT_EQ(g.Pi(), 0x1234);
        rx.Feed(g);
    }
    EXPECT_EQ(rx.order, (std::vector<std::string>{"P0", "CT"}));
    ASSERT_EQ(rx.clockTimes.size(), 1u);
    EXPECT_EQ(rx.clockTimes[0].mjd, 61380);
    EXPECT_EQ(rx.clockTimes[0].year, 2026);
    EXPECT_EQ(rx.clockTimes[0].month, 12);
    EXPECT_EQ(rx.clockTimes[0].day, 6);
    EXPECT_EQ(rx.clockTimes[0].hour, 12);
    EXPECT_EQ(rx.clockTimes[0].minute, 34);
    EXPECT_EQ(rx.clockTimes[0].offsetHalfHours, 2);

    uint8_t broken[13];
    std::copy(ps, ps + 13, broken);
    broken[6] ^= 0x10;  // one bit of block 3
    EXPECT_FALSE(rdstest::DecodeRecord(broken).valid);
}

}  // namespace
