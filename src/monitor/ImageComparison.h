#pragma once
// Whether the chip sends what the image holds: compares the content read back from the
// EEPROM with the image's records and count, and says where they part.
//   ImageDifference d = CompareWithImage(chip, readBack, size, image, records);
//   if (d.Any()) ... log it

#include <cstdint>

struct ImageDifference {
    int bytesNotKept = 0;  // image bytes the chip does not hold, or that did not read back
    int firstAddress = -1;
    bool countUnread = false;
    int chipCount = 0;  // the count word the chip holds, when read back
    int imageCount = 0;

    [[nodiscard]] bool Any() const { return bytesNotKept > 0 || countUnread || chipCount != imageCount; }
    bool operator==(const ImageDifference&) const = default;
};

// chip and readBack cover `size` EEPROM bytes; `records` whole records of `image` are meant
// for them (those that fit), behind the count word.
[[nodiscard]] ImageDifference CompareWithImage(const uint8_t* chip, const uint8_t* readBack, int size,
                                               const uint8_t* image, int records);
