#pragma once
// Records for the receiver tests: information words packed with their checkwords by the
// coder's own writer, and EEPROM content laid out behind a record count.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ImageWriter.h"

using Words = std::array<uint16_t, 4>;

// The EEPROM content of these groups: count word, low byte first, then the records.
inline std::vector<uint8_t> EepromOf(const std::vector<Words>& groups) {
    CImageWriter writer;
    for (const Words& words : groups) writer.WriteGroup(words);
    const size_t length = groups.size() * RECORD_BYTES;
    std::vector<uint8_t> content(EEPROM_HEADER_BYTES + length);
    content[0] = static_cast<uint8_t>(groups.size() & 0xFF);
    content[1] = static_cast<uint8_t>(groups.size() >> 8);
    std::copy_n(writer.Image().begin(), length, content.begin() + EEPROM_HEADER_BYTES);
    return content;
}

inline int RecordAddress(int n) { return EEPROM_HEADER_BYTES + n * RECORD_BYTES; }
