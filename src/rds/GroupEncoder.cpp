// Bit writer and the builders of groups 0A, 1A, 2A and 4A.

#include <bit>

#include "BlockCoder.h"
#include "RdsCharset.h"
#include "RdsModel.h"

namespace {

constexpr uint16_t GROUP_1A = 0x1000;
constexpr uint16_t GROUP_2A = 0x2000;
constexpr uint16_t GROUP_4A = 0x4000;

// Days 1858-11-17 .. date, with the integer form of the broadcast date formula.
int ModifiedJulianDay(int year, int month, int day) {
    const int leap = (month == 1 || month == 2) ? 1 : 0;
    const int y = year - 1900 - leap;
    const int m = month + 1 + 12 * leap;
    return 14956 + day + y * 365 + (y * 25) / 100 + (m * 30600) / 1000;
}

// Local offset as the group carries it: sign bit 5 (set west of UTC), then half hours.
uint16_t OffsetField(int offsetMinutes) {
    const int magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    int halfHours = (magnitude + 15) / 30;  // zones on a quarter hour round to the nearer half
    if (halfHours > 0x1F) {
        halfHours = 0x1F;
    }
    return static_cast<uint16_t>((offsetMinutes < 0 ? 0x20 : 0) | halfHours);
}

uint16_t CharPair(char first, char second) {
    return static_cast<uint16_t>(RdsCharFromCp1252(first) << 8 | RdsCharFromCp1252(second));
}

}  // namespace

bool CRdsModel::PutBit(int bit) {
    if (m_writePos >= IMAGE_CAPACITY) {
        return false;
    }
    uint8_t& byte = m_image[m_writePos];
    if (bit) {
        byte = static_cast<uint8_t>(byte | m_writeMask);
    } else {
        byte = static_cast<uint8_t>(byte & ~m_writeMask);
    }
    m_writeMask = static_cast<uint8_t>(m_writeMask >> 1 | m_writeMask << 7);
    if (m_writeMask == 0x80) {
        ++m_writePos;
    }
    return true;
}

bool CRdsModel::PutBits(uint16_t word, int count) {
    // 16 bits span at most 3 bytes: with those in the buffer, store byte-wise for speed.
    if (count >= 0 && count <= 16 && m_writePos + 3 <= IMAGE_CAPACITY) {
        const uint32_t bits = word >> (16 - count);
        int left = count;
        while (left > 0) {
            const int room = std::countr_zero(m_writeMask) + 1;  // bits left in this byte
            const int take = left < room ? left : room;
            const int shift = room - take;
            const auto field = static_cast<uint8_t>(((1u << take) - 1) << shift);
            const auto chunk = static_cast<uint8_t>(((bits >> (left - take)) << shift) & field);
            uint8_t& byte = m_image[m_writePos];
            byte = static_cast<uint8_t>((byte & ~field) | chunk);
            left -= take;
            if (take == room) {
                ++m_writePos;
                m_writeMask = 0x80;
            } else {
                m_writeMask = static_cast<uint8_t>(m_writeMask >> take);
            }
        }
        return true;
    }
    // Near the end every bit goes through the capacity check on its own.
    bool stored = true;
    for (int i = 0; i < count; ++i) {
        stored &= PutBit(word & (0x8000u >> i) ? 1 : 0);
    }
    return stored;
}

bool CRdsModel::EncodeBlock(uint16_t info, int offsetIndex) {
    const uint16_t check = ComputeCheckword(info, offsetIndex);
    // A block with at most 7 bits of offset spans 5 bytes: merge it in one go when they exist.
    if (m_writePos + 5 <= IMAGE_CAPACITY) {
        const int used = 7 - std::countr_zero(m_writeMask);
        uint64_t window = 0;
        for (int i = 0; i < 5; ++i) {
            window = window << 8 | m_image[static_cast<size_t>(m_writePos + i)];
        }
        const int shift = 40 - used - (INFO_BITS + CHECK_BITS);
        const uint64_t block = uint64_t{info} << CHECK_BITS | check;
        const uint64_t field = ((uint64_t{1} << (INFO_BITS + CHECK_BITS)) - 1) << shift;
        window = (window & ~field) | block << shift;
        for (int i = 4; i >= 0; --i, window >>= 8) {
            m_image[static_cast<size_t>(m_writePos + i)] = static_cast<uint8_t>(window);
        }
        const int end = used + INFO_BITS + CHECK_BITS;
        m_writePos = static_cast<uint16_t>(m_writePos + end / 8);
        m_writeMask = static_cast<uint8_t>(0x80 >> (end % 8));
        return true;
    }
    if (!PutBits(info, INFO_BITS)) {
        return false;
    }
    return PutBits(static_cast<uint16_t>(check << (16 - CHECK_BITS)), CHECK_BITS);
}

// Every group is version A with the PI in block 1; once one block fails the image is full.
bool CRdsModel::EncodeGroup(uint16_t block2, uint16_t block3, uint16_t block4) {
    return EncodeBlock(m_pi, OFFSET_A) && EncodeBlock(block2, OFFSET_B) && EncodeBlock(block3, OFFSET_C) &&
           EncodeBlock(block4, OFFSET_D);
}

// Block 2 bits every group shares: traffic programme and programme type.
static uint16_t CommonBlock2(const CRdsModel& m) {
    return static_cast<uint16_t>((m.m_tp & 1) << 10 | (m.m_pty & 0x1F) << 5);
}

bool CRdsModel::EncodePsGroup(int segment, char first, char second) {
    const int s = segment & 3;
    const int diBit = (m_di >> (3 - s)) & 1;  // segment 0 carries DI bit 3
    const uint16_t block2 = static_cast<uint16_t>(CommonBlock2(*this) | (m_ta & 1) << 4 |
                                                  (m_ms & 1) << 3 | diBit << 2 | s);
    const uint16_t block3 = static_cast<uint16_t>(m_af[2 * s] << 8 | m_af[2 * s + 1]);
    return EncodeGroup(block2, block3, CharPair(first, second));
}

bool CRdsModel::EncodeRadioTextGroup(int abFlag, int segment, const char* fourChars) {
    const uint16_t block2 = static_cast<uint16_t>(GROUP_2A | CommonBlock2(*this) |
                                                  (abFlag & 1) << 4 | (segment & 0x0F));
    return EncodeGroup(block2, CharPair(fourChars[0], fourChars[1]), CharPair(fourChars[2], fourChars[3]));
}

void CRdsModel::EncodeProgrammeItemGroup() {
    if (!(m_groupFlags & 0x04)) {
        return;
    }
    const bool appended = PlaceGroup(m_slotProgrammeItem);
    const int day = BcdToInt(m_pinDay);
    const int hour = BcdToInt(static_cast<uint8_t>(m_pinHourMinute >> 8));
    const int minute = BcdToInt(static_cast<uint8_t>(m_pinHourMinute & 0xFF));
    const uint16_t pin = static_cast<uint16_t>(day * 2048 + hour * 64 + minute);
    // A full image refuses every bit; what fits stays, as for every other group.
    EncodeGroup(static_cast<uint16_t>(GROUP_1A | CommonBlock2(*this)), m_pi, pin);
    EndPlacedGroup(appended);
}

void CRdsModel::EncodeClockTimeGroup() {
    if (!(m_groupFlags & 0x01)) {
        return;
    }
    const bool appended = PlaceGroup(m_slotClockTime);
    // Receivers add the offset to the UTC fields, so date and time here are UTC.
    const int mjd = ModifiedJulianDay(m_utcYear, m_utcMonth, m_utcDay) & 0x1FFFF;
    const int hour = m_utcHour & 0x1F;
    const int minute = m_utcMinute & 0x3F;
    const uint16_t block2 = static_cast<uint16_t>(GROUP_4A | CommonBlock2(*this) | mjd >> 15);
    const uint16_t block3 = static_cast<uint16_t>((mjd & 0x7FFF) << 1 | hour >> 4);
    const uint16_t block4 =
        static_cast<uint16_t>((hour & 0x0F) << 12 | minute << 6 | OffsetField(m_utcOffsetMinutes));
    EncodeGroup(block2, block3, block4);
    EndPlacedGroup(appended);
}

void CRdsModel::EncodeClockPsGroups() {
    if (!(m_groupFlags & 0x02)) {
        return;
    }
    const bool appended = PlaceGroup(m_slotClockPs);
    // The page shows local time: "  HH:MM ".
    const char h1 = static_cast<char>('0' + (m_clockHourMinute >> 12 & 0x0F));
    const char h2 = static_cast<char>('0' + (m_clockHourMinute >> 8 & 0x0F));
    const char m1 = static_cast<char>('0' + (m_clockHourMinute >> 4 & 0x0F));
    const char m2 = static_cast<char>('0' + (m_clockHourMinute & 0x0F));
    for (unsigned page = 0; page < m_psRepeat; ++page) {
        if (!EncodePsGroup(0, ' ', ' ')) {
            continue;
        }
        EncodePsGroup(1, h1, h2);
        EncodePsGroup(2, ':', m1);
        EncodePsGroup(3, m2, ' ');
    }
    EndPlacedGroup(appended);
}
