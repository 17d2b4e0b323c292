#pragma once
// Sizes and small helpers shared by the whole RDS side and by the EEPROM transfers.

#include <cstddef>
#include <cstdint>

inline constexpr int IMAGE_CAPACITY = 32759;  // bytes of group records the image can hold
inline constexpr int RECORD_BYTES = 13;       // one group: 4 blocks of 26 bits
inline constexpr int EEPROM_HEADER_BYTES = 2; // record count word, low byte first

// Two decimal digits in one byte, high digit in the high nibble; nibbles are not checked.
[[nodiscard]] constexpr int BcdToInt(uint8_t bcd) { return (bcd >> 4) * 10 + (bcd & 0x0F); }
[[nodiscard]] constexpr uint8_t IntToBcd(int value) {
    return static_cast<uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

// Texts are compared as signed bytes: 0x80..0xFF lie below the blank.
[[nodiscard]] constexpr int SignedChar(char c) { return static_cast<signed char>(c); }
[[nodiscard]] constexpr bool IsBelowPrintable(char c) { return SignedChar(c) < 0x21; }
