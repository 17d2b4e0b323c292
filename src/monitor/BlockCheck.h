#pragma once
// A receiver's first step: cut a 13-byte record into its four 26-bit blocks and tell, from
// each block's syndrome, which offset word it carries. DecodeRecord gives the group's
// information words and whether every block sits where its offset says.

#include <array>
#include <cstdint>
#include <optional>

// The offset words that mark a block's place in the group (IEC 62106 section 5.4).
enum class OffsetWord : uint8_t { A, B, C, CPrime, D };

inline constexpr int BLOCK_BITS = 26;
inline constexpr int RECORD_BYTE_COUNT = 13;

// The offset word whose syndrome the block shows; nullopt when the block is damaged.
[[nodiscard]] std::optional<OffsetWord> OffsetOfBlock(uint32_t block26);

// Block n (0..3) of a record, 26 bits, as laid one after the other from bit 7 of byte 0.
[[nodiscard]] uint32_t BlockOfRecord(const uint8_t* record, int n);

struct ReceivedGroup {
    std::array<uint16_t, 4> info{};
    bool intact = false;  // every block carries its expected offset: A, B, C (C' in version B), D
};

[[nodiscard]] ReceivedGroup DecodeRecord(const uint8_t* record);
