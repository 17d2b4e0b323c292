#pragma once
// The dump list's lines for an image: ImageDumpLines(image, length) gives the header line
// with the record count and one line per whole record at its EEPROM address.

#include <cstdint>
#include <string>
#include <vector>

// "[0000]:Blocks=NNNN(word)", then "[AAAA]:" and the record's 13 bytes in hex; an odd tail
// shorter than a record is not listed, as it never reaches the EEPROM.
[[nodiscard]] std::vector<std::string> ImageDumpLines(const uint8_t* image, int length);
