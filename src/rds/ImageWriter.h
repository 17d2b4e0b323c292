#pragma once
// The one bit packer: lays groups as four 26-bit blocks (information word, then check field)
// one after the other into the image bytes, most significant bit first.

#include <array>
#include <cstdint>

#include "Groups.h"
#include "RdsTypes.h"

// A bit position in the image: the byte and the mask of the next bit in it.
struct ImagePosition {
    uint16_t offset = 0;
    uint8_t mask = 0x80;
};

class CImageWriter {
public:
    using Bytes = std::array<uint8_t, IMAGE_CAPACITY>;

    // Writes the group's blocks with their checkwords at the position and moves past them.
    // The capacity rule: bits are laid one after the other until the image's last byte is
    // full; what fits stays, and false says the group did not fit whole.
    bool WriteGroup(const Blocks& blocks);

    void MoveTo(ImagePosition position) { m_position = position; }
    [[nodiscard]] ImagePosition Position() const { return m_position; }
    [[nodiscard]] const Bytes& Image() const { return m_bytes; }

private:
    bool WriteBlock(uint16_t info, int offsetIndex);

    Bytes m_bytes{};
    ImagePosition m_position;
};
