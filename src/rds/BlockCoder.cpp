#include "BlockCoder.h"

namespace {

// x^(25 - i) mod g(x), the generator matrix rows, worked out once at compile time.
constexpr std::array<uint16_t, INFO_BITS> MakeCheckwordRows() {
    std::array<uint16_t, INFO_BITS> rows{};
    uint32_t remainder = 1u << CHECK_BITS;  // x^10
    for (int power = CHECK_BITS; power <= 25; ++power) {
        if (power > CHECK_BITS) {
            remainder <<= 1;
        }
        if (remainder & (1u << CHECK_BITS)) {
            remainder ^= RDS_GENERATOR_POLYNOMIAL;
        }
        rows[static_cast<std::size_t>(25 - power)] = static_cast<uint16_t>(remainder);
    }
    return rows;
}

constexpr std::array<uint16_t, INFO_BITS> CHECKWORD_ROWS = MakeCheckwordRows();
static_assert(CHECKWORD_ROWS[0] == 0x077 && CHECKWORD_ROWS[15] == 0x1B9);

constexpr std::array<uint16_t, OFFSET_WORD_COUNT> OFFSET_WORDS = {
    0x0FC,  // A
    0x198,  // B
    0x168,  // C
    0x350,  // C'
    0x1B4,  // D
    0x000, 0x194, 0x000,
};

}  // namespace

const std::array<uint16_t, INFO_BITS>& CheckwordRows() { return CHECKWORD_ROWS; }

const std::array<uint16_t, OFFSET_WORD_COUNT>& OffsetWords() { return OFFSET_WORDS; }

uint16_t ComputeCheckword(uint16_t info, int offsetIndex) {
    uint16_t check = 0;
    for (int row = 0; row < INFO_BITS; ++row) {
        if (info & (0x8000u >> row)) {
            check ^= CHECKWORD_ROWS[static_cast<std::size_t>(row)];
        }
    }
    return static_cast<uint16_t>(check ^ OFFSET_WORDS[static_cast<std::size_t>(offsetIndex & 7)]);
}
