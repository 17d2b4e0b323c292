#include "RdsModel.h"

#include <cstdio>

CRdsModel::CRdsModel(IClock& clock) : m_clock(clock) {
    m_af.fill(205);  // the AF filler code: no alternative frequency
    m_psRepeat = 5;
    m_psnText.clear();
    m_psnSource.clear();
    m_txt1Text.fill('\0');
    m_txt0Text.fill('\0');
    ResetLayout();
    m_groupFlags = 0;
    ReadClock();
}

void CRdsModel::ReadClock() {
    const ClockReading r = m_clock.Read();
    m_clockHourMinute = static_cast<uint16_t>(r.hour << 8 | r.minute);
    m_clockSecond = static_cast<uint16_t>(r.second << 8 | r.dst);
    m_clockMonthDay = static_cast<uint16_t>(r.month << 8 | r.day);
    m_clockCenturyYear = static_cast<uint16_t>(r.century << 8 | r.year);
    m_utcYear = r.utcYear;
    m_utcMonth = r.utcMonth;
    m_utcDay = r.utcDay;
    m_utcHour = r.utcHour;
    m_utcMinute = r.utcMinute;
    m_utcOffsetMinutes = r.utcOffsetMinutes;
}

std::string CRdsModel::GetClockText() {
    ReadClock();
    char text[40];
    std::snprintf(text, sizeof text, "%02X-%02X-%04X+%02X:%02X:%04X", m_clockMonthDay & 0xFF,
                  m_clockMonthDay >> 8, m_clockCenturyYear, m_clockHourMinute >> 8,
                  m_clockHourMinute & 0xFF, m_clockSecond);
    return text;
}

void CRdsModel::GetClockTime(int& hour, int& minute, int& second) {
    ReadClock();
    hour = BcdToInt(static_cast<uint8_t>(m_clockHourMinute >> 8));
    minute = BcdToInt(static_cast<uint8_t>(m_clockHourMinute & 0xFF));
    second = BcdToInt(static_cast<uint8_t>(m_clockSecond >> 8));
}

void CRdsModel::RefreshClock() {
    ReadClock();
    RefreshTimeGroups();
}

void CRdsModel::SetGroupFlags(const uint8_t& flags) {
    m_groupFlags = flags;
    m_lastRefreshTime = 0xFFFF;  // rewrite the enabled groups now, not at the next minute
    RefreshTimeGroups();
}
