#include "ImageComparison.h"

#include <algorithm>

#include "RdsTypes.h"

ImageDifference CompareWithImage(const uint8_t* chip, const uint8_t* readBack, int size, const uint8_t* image,
                                 int records) {
    ImageDifference difference;
    difference.imageCount = records;
    if (size < EEPROM_HEADER_BYTES) {
        difference.countUnread = true;
        return difference;
    }
    difference.countUnread = readBack[0] == 0 || readBack[1] == 0;
    difference.chipCount = difference.countUnread ? records : chip[0] | chip[1] << 8;
    const int end = std::min(size, EEPROM_HEADER_BYTES + records * RECORD_BYTES);
    for (int a = EEPROM_HEADER_BYTES; a < end; ++a) {
        if (readBack[a] != 0 && chip[a] == image[a - EEPROM_HEADER_BYTES]) continue;
        if (difference.firstAddress < 0) difference.firstAddress = a;
        ++difference.bytesNotKept;
    }
    return difference;
}
