#include "ImageWriter.h"

#include <algorithm>
#include <bit>

#include "BlockCoder.h"

namespace {
constexpr int BLOCK_BITS = INFO_BITS + CHECK_BITS;
constexpr int WINDOW_BYTES = 5;  // a block starting anywhere in a byte ends within 5 bytes
}  // namespace

bool CImageWriter::WriteBlock(uint16_t info, int offsetIndex) {
    const int offset = m_position.offset;
    const int room = IMAGE_CAPACITY - offset;
    if (room <= 0) return false;
    const int used = 7 - std::countr_zero(m_position.mask);  // bits already taken in this byte
    const int bytes = std::min(WINDOW_BYTES, room);

    // The block is merged into a 40-bit window over the bytes it spans; window bytes past the
    // image's end are not written back, so the bits that fall there are dropped.
    uint64_t window = 0;
    for (int i = 0; i < bytes; ++i) {
        window |= uint64_t{m_bytes[static_cast<size_t>(offset + i)]} << (8 * (WINDOW_BYTES - 1 - i));
    }
    const int shift = WINDOW_BYTES * 8 - used - BLOCK_BITS;
    const uint64_t block = uint64_t{info} << CHECK_BITS | ComputeCheckword(info, offsetIndex);
    const uint64_t field = ((uint64_t{1} << BLOCK_BITS) - 1) << shift;
    window = (window & ~field) | block << shift;
    for (int i = 0; i < bytes; ++i) {
        m_bytes[static_cast<size_t>(offset + i)] = static_cast<uint8_t>(window >> (8 * (WINDOW_BYTES - 1 - i)));
    }

    const int end = used + BLOCK_BITS;
    if (offset + end / 8 > IMAGE_CAPACITY || (offset + end / 8 == IMAGE_CAPACITY && end % 8 != 0)) {
        m_position = {static_cast<uint16_t>(IMAGE_CAPACITY), 0x80};
        return false;
    }
    m_position = {static_cast<uint16_t>(offset + end / 8), static_cast<uint8_t>(0x80 >> (end % 8))};
    return true;
}

// Once one block fails the image is full, and the group's later blocks are not tried.
bool CImageWriter::WriteGroup(const Blocks& blocks) {
    return WriteBlock(blocks[0], OFFSET_A) && WriteBlock(blocks[1], OFFSET_B) && WriteBlock(blocks[2], OFFSET_C) &&
           WriteBlock(blocks[3], OFFSET_D);
}
