#include "BlockCheck.h"

namespace {

// g(x) = x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1 (IEC 62106 Annex B).
constexpr uint32_t GENERATOR = 0x5B9;
constexpr int CHECK_BITS = 10;

struct OffsetValue {
    OffsetWord word;
    uint16_t value;
};

// A block free of errors leaves the offset word itself as remainder of the division by g(x).
constexpr std::array<OffsetValue, 5> OFFSETS = {{
    {OffsetWord::A, 0x0FC},
    {OffsetWord::B, 0x198},
    {OffsetWord::C, 0x168},
    {OffsetWord::CPrime, 0x350},
    {OffsetWord::D, 0x1B4},
}};

constexpr uint32_t Remainder(uint32_t block26) {
    for (int bit = BLOCK_BITS - 1; bit >= CHECK_BITS; --bit) {
        if ((block26 >> bit & 1u) != 0) block26 ^= GENERATOR << (bit - CHECK_BITS);
    }
    return block26;
}

// Information word 0 with check field 0x0FC is a clean block A.
static_assert(Remainder(0x0FC) == 0x0FC);
// x^10 mod g(x) is g(x) less its top term; IEC 62106 Annex B lists 0x1B9 as the last checkword row.
static_assert(Remainder(1u << CHECK_BITS) == 0x1B9);

constexpr int VERSION_B_BIT = 11;

}  // namespace

std::optional<OffsetWord> OffsetOfBlock(uint32_t block26) {
    const uint32_t syndrome = Remainder(block26 & ((1u << BLOCK_BITS) - 1));
    for (const OffsetValue& offset : OFFSETS) {
        if (offset.value == syndrome) return offset.word;
    }
    return std::nullopt;
}

uint32_t BlockOfRecord(const uint8_t* record, int n) {
    uint32_t block = 0;
    for (int bit = n * BLOCK_BITS; bit < (n + 1) * BLOCK_BITS; ++bit) {
        block = block << 1 | (record[bit / 8] >> (7 - bit % 8) & 1u);
    }
    return block;
}

ReceivedGroup DecodeRecord(const uint8_t* record) {
    ReceivedGroup group;
    std::array<std::optional<OffsetWord>, 4> offsets;
    for (int n = 0; n < 4; ++n) {
        const uint32_t block = BlockOfRecord(record, n);
        group.info[n] = static_cast<uint16_t>(block >> CHECK_BITS);
        offsets[n] = OffsetOfBlock(block);
    }
    const bool versionB = (group.info[1] >> VERSION_B_BIT & 1) != 0;
    group.intact = offsets[0] == OffsetWord::A && offsets[1] == OffsetWord::B &&
                   offsets[2] == (versionB ? OffsetWord::CPrime : OffsetWord::C) && offsets[3] == OffsetWord::D;
    return group;
}
