#pragma once
// The RDS block code: a 16-bit information word followed by a 10-bit check field, the
// checkword of the shortened cyclic code plus the offset word that marks the block's place.

#include <array>
#include <cstddef>
#include <cstdint>

// Index into the offset word table; groups of version A use A, B, C and D.
enum RdsOffset : int {
    OFFSET_A = 0,
    OFFSET_B = 1,
    OFFSET_C = 2,
    OFFSET_C_PRIME = 3,
    OFFSET_D = 4,
};

inline constexpr int OFFSET_WORD_COUNT = 8;
inline constexpr int CHECK_BITS = 10;
inline constexpr int INFO_BITS = 16;

// g(x) = x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1
inline constexpr uint16_t RDS_GENERATOR_POLYNOMIAL = 0x5B9;

// Row i is the check field of a word with only bit 15 - i set.
[[nodiscard]] const std::array<uint16_t, INFO_BITS>& CheckwordRows();
// Indices 5..7 are never used by our groups but keep their historical values.
[[nodiscard]] const std::array<uint16_t, OFFSET_WORD_COUNT>& OffsetWords();

// The 10-bit check field (checkword XOR offset word) of one block; the index is taken mod 8.
[[nodiscard]] uint16_t ComputeCheckword(uint16_t info, int offsetIndex);
