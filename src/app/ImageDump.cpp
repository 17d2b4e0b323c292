#include "ImageDump.h"

#include <cstdio>

#include "RdsTypes.h"

std::vector<std::string> ImageDumpLines(const uint8_t* image, int length) {
    std::vector<std::string> lines;
    char text[64];
    std::snprintf(text, sizeof text, "[0000]:Blocks=%04X(word)", static_cast<unsigned>(length / RECORD_BYTES));
    lines.emplace_back(text);
    for (int record = 0; (record + 1) * RECORD_BYTES <= length; ++record) {
        const int first = record * RECORD_BYTES;
        std::snprintf(text, sizeof text, "[%04X]:", static_cast<unsigned>(EEPROM_HEADER_BYTES + first));
        std::string line = text;
        for (int i = 0; i < RECORD_BYTES; ++i) {
            std::snprintf(text, sizeof text, "%02X", image[first + i]);
            line += text;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}
