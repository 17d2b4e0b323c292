#include "StationData.h"

void StationData::SetGroupFlag(GroupFlag flag, bool on) {
    const uint8_t bit = FlagBit(flag);
    m_groupFlags = static_cast<uint8_t>(on ? (m_groupFlags | bit) : (m_groupFlags & ~bit));
}

void StationData::SetProgrammeItem(uint8_t dayBcd, uint16_t hourMinuteBcd) {
    m_pinDay = dayBcd;
    m_pinHourMinute = hourMinuteBcd;
}

void StationData::SetRtTitle(const std::string& rawTitle) {
    std::string title = rawTitle;
    if (!rawTitle.empty() && rawTitle.front() == '_') title = rawTitle.size() > 3 ? rawTitle.substr(3) : std::string();
    if (title != m_rtTitle) m_itemToggle ^= 1;
    m_rtTitle = std::move(title);
}
