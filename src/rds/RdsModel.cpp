#include "RdsModel.h"

#include <cstdio>

#include "CommandLanguage.h"

CRdsModel::CRdsModel(IClock& clock) : m_clock(clock) { ReadClock(); }

CommandResult CRdsModel::ExecuteCommand(const char* line) {
    CommandResult result;
    const CommandFollowUp followUp = ApplyCommand(line, m_station, result);
    if (followUp == CommandFollowUp::ComposePs) ComposePs();
    if (followUp == CommandFollowUp::BuildImage) BuildImage();
    if (followUp == CommandFollowUp::Rebuild) Rebuild();
    result.imageBuilt = followUp == CommandFollowUp::BuildImage;
    return result;
}

void CRdsModel::ComposePs() {
    if (auto ps = ComposePsText(m_station)) m_texts.ps = std::move(*ps);
}

void CRdsModel::Rebuild() {
    ComposePs();
    m_texts.radioText[0] = ComposeRadioText(m_station.RadioTextSource(0), m_station.RtTitle());
    m_texts.radioText[1] = ComposeRadioText(m_station.RadioTextSource(1), m_station.RtTitle());
    BuildImage();
}

void CRdsModel::BuildImage() { m_image.Build(m_station, m_texts, m_reading); }

void CRdsModel::SetGroupFlags(uint8_t flags) {
    m_station.SetGroupFlags(flags);
    m_image.ForgetRefreshMinute();  // rewrite the enabled groups now, not at the next minute
    m_image.RefreshTimeGroups(m_station, m_reading);
}

std::string CRdsModel::GetClockText() {
    ReadClock();
    char text[40];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X%02X+%02X:%02X:%02X%02X", m_reading.day, m_reading.month,
                  m_reading.century, m_reading.year, m_reading.hour, m_reading.minute, m_reading.second, m_reading.dst);
    return text;
}

void CRdsModel::GetClockTime(int& hour, int& minute, int& second) {
    ReadClock();
    hour = BcdToInt(m_reading.hour);
    minute = BcdToInt(m_reading.minute);
    second = BcdToInt(m_reading.second);
}

void CRdsModel::RefreshClock() {
    ReadClock();
    m_image.RefreshTimeGroups(m_station, m_reading);
}
