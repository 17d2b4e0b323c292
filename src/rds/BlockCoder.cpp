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

// The same rows folded into one table per information byte: two look-ups per block.
constexpr std::array<std::array<uint16_t, 256>, 2> MakeByteTables() {
    std::array<std::array<uint16_t, 256>, 2> tables{};
    for (int half = 0; half < 2; ++half) {
        for (int value = 0; value < 256; ++value) {
            uint16_t check = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (value & (0x80 >> bit)) {
                    check ^= CHECKWORD_ROWS[static_cast<std::size_t>(8 * half + bit)];
                }
            }
            tables[static_cast<std::size_t>(half)][static_cast<std::size_t>(value)] = check;
        }
    }
    return tables;
}

constexpr auto BYTE_TABLES = MakeByteTables();

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
    const uint16_t check = BYTE_TABLES[0][info >> 8] ^ BYTE_TABLES[1][info & 0xFF];
    return static_cast<uint16_t>(check ^ OFFSET_WORDS[static_cast<std::size_t>(offsetIndex & 7)]);
}
