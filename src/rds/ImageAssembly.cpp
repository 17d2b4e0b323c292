// Layout of the image: the text pass, then the clock-dependent groups in slots that the
// minute refresh rewrites in place.

#include "RdsModel.h"

namespace {
constexpr uint8_t FLAG_CLOCK_TIME = 0x01;
constexpr uint8_t FLAG_CLOCK_PS = 0x02;
constexpr uint8_t FLAG_PROGRAMME_ITEM = 0x04;
}  // namespace

void CRdsModel::ResetLayout() {
    m_slotClockTime = ImageSlot{};
    m_slotClockPs = ImageSlot{};
    m_slotProgrammeItem = ImageSlot{};
    m_writePos = 0;
    m_writeMask = 0x80;
    m_imageLength = 0;
}

void CRdsModel::TakeSlot(ImageSlot& slot) const {
    slot.offset = m_writePos;
    slot.mask = m_writeMask;
    slot.set = true;
}

bool CRdsModel::PlaceGroup(ImageSlot& slot) {
    if (slot.set) {
        m_writePos = slot.offset;
        m_writeMask = slot.mask;
        return false;
    }
    // Switched on since the last build: the group goes after everything already laid out.
    m_writePos = m_imageLength;
    TakeSlot(slot);
    return true;
}

void CRdsModel::EndPlacedGroup(bool appended) {
    if (appended && m_writePos > m_imageLength) {
        m_imageLength = m_writePos;
    }
}

void CRdsModel::BuildImage() {
    EncodeTextGroups();
    if (m_groupFlags & FLAG_CLOCK_TIME) {
        TakeSlot(m_slotClockTime);
        EncodeClockTimeGroup();
    }
    if (m_groupFlags & FLAG_CLOCK_PS) {
        TakeSlot(m_slotClockPs);
        EncodeClockPsGroups();
    }
    if (m_groupFlags & FLAG_PROGRAMME_ITEM) {
        TakeSlot(m_slotProgrammeItem);
        EncodeProgrammeItemGroup();
    }
    m_imageLength = m_writePos;
}

void CRdsModel::RefreshTimeGroups() {
    if (m_clockHourMinute == m_lastRefreshTime) {
        return;
    }
    // Stored before the flags are looked at, so switching everything off still settles it.
    m_lastRefreshTime = m_clockHourMinute;
    if (!(m_groupFlags & (FLAG_CLOCK_TIME | FLAG_CLOCK_PS | FLAG_PROGRAMME_ITEM))) {
        return;
    }
    EncodeClockPsGroups();
    EncodeClockTimeGroup();
    EncodeProgrammeItemGroup();
}
