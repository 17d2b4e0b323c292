#pragma once
// Sizes and small helpers shared by the whole RDS side and by the EEPROM transfers.

#include <cstddef>
#include <cstdint>

inline constexpr int IMAGE_CAPACITY = 32759;   // bytes of group records the image can hold
inline constexpr int RECORD_BYTES = 13;        // one group: 4 blocks of 26 bits
inline constexpr int EEPROM_HEADER_BYTES = 2;  // record count word, low byte first
inline constexpr int PS_PAGE_CHARS = 8;        // characters of one PS page
inline constexpr int RADIOTEXT_CHARS = 64;     // characters of one RadioText

// Two decimal digits in one byte, high digit in the high nibble; nibbles are not checked.
[[nodiscard]] constexpr int BcdToInt(uint8_t bcd) { return (bcd >> 4) * 10 + (bcd & 0x0F); }
[[nodiscard]] constexpr uint8_t IntToBcd(int value) {
    return static_cast<uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

// Texts are compared as signed bytes: 0x80..0xFF lie below the blank.
[[nodiscard]] constexpr int SignedChar(char c) { return static_cast<signed char>(c); }
[[nodiscard]] constexpr bool IsBelowSigned(char c, int limit) { return SignedChar(c) < limit; }
[[nodiscard]] constexpr bool IsBelowPrintable(char c) { return IsBelowSigned(c, 0x21); }
