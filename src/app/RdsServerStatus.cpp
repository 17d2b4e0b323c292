// The controller's side of the status page: it starts the page when DEF.INI asks for one and
// hands it a plain copy of what the window shows, once a tick.

#include <cstdio>

#include "OnAirReport.h"
#include "RdsServerDlg.h"
#include "TextTrim.h"

namespace {

constexpr const char* STATUS_PAGE_LINE = "P\xE1gina de estado: http://";
constexpr const char* STATUS_FAILED_LINE = "P\xE1gina de estado indispon\xEDvel: ";

// "2026-12-07 17:45:03", from the clock's BCD fields.
std::string LocalTimeText(const ClockReading& r) {
    char text[32];
    std::snprintf(text, sizeof text, "%02X%02X-%02X-%02X %02X:%02X:%02X", r.century, r.year, r.month, r.day, r.hour,
                  r.minute, r.second);
    return text;
}

// The first page the station typed for its PS, without the blanks that pad it.
std::string StationName(const std::string& psSource) {
    std::string name = psSource.substr(0, psSource.find('|'));
    TrimTrailingBelow(name, 0x21);
    return name;
}

// "2026-12-07 17:45 +01:00": the group's local time and its offset from UTC.
std::string ClockText(const OnAirClock& c) {
    const int offset = c.offsetMinutes < 0 ? -c.offsetMinutes : c.offsetMinutes;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d %c%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                  c.offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

StatusOnAir OnAirFields(const OnAirReport& report) {
    StatusOnAir fields;
    fields.pi = report.pi;
    fields.psPages = report.psPages;
    fields.radioText = report.radioText;
    for (size_t ab = 0; ab < 2; ++ab) {
        if (report.rtPlus[ab]) fields.rtPlus[ab] = RtPlusText(*report.rtPlus[ab]);
    }
    if (report.clock) fields.clock = ClockText(*report.clock);
    fields.afKhz = report.afKhz;
    return fields;
}

}  // namespace

void CRdsServerDlg::StartStatusPage() {
    if (m_webPort == 0 || m_statusServer) return;
    auto server = std::make_unique<CStatusServer>();
    const StatusListenResult result = server->Listen(m_webBind, m_webPort);
    if (!result.ok) {
        // The station runs on without its page; the log says why.
        AddLog(STATUS_FAILED_LINE + m_webBind + " @ " + std::to_string(m_webPort) + " - " + result.error);
        return;
    }
    m_statusPort = result.port;
    m_statusServer = std::move(server);
    const bool v6 = m_webBind.find(':') != std::string::npos;
    AddLog(STATUS_PAGE_LINE + (v6 ? "[" + m_webBind + "]" : m_webBind) + ":" + std::to_string(m_statusPort) + "/");
    PublishStatus();
}

StatusSnapshot CRdsServerDlg::TakeStatusSnapshot() {
    StatusSnapshot s;
    const StationData& station = m_model.Station();
    s.stationName = StationName(station.PsSource());
    s.pi = station.Pi();
    const uint8_t* states = m_mirror.StateData();
    s.eepromStates.assign(states, states + m_mirror.GetEepromSize());
    // On air is what the chip holds, as the monitor last decoded it; unknown before the first read.
    if (m_mirror.IsHardwareReady() && m_onAirShown) s.onAir = OnAirFields(*m_onAirShown);
    s.lastSync = m_lastSync;
    if (m_commandServer.IsClientConnected()) s.client = m_lastConnection;
    s.log.assign(m_recentLog.begin(), m_recentLog.end());
    s.ticks = m_ticksRun;
    s.time = LocalTimeText(m_clock.Read());
    return s;
}

void CRdsServerDlg::PublishStatus() {
    if (m_statusServer) m_statusServer->Publish(TakeStatusSnapshot());
}

void CRdsServerDlg::RememberLogLine(const std::string& line) {
    m_recentLog.push_back(line);
    while (m_recentLog.size() > STATUS_LOG_LINES) m_recentLog.pop_front();
}

void CRdsServerDlg::RememberSync(const SyncReport& report) {
    if (!report.ran) return;
    m_lastSync = StatusSync{LocalTimeText(m_clock.Read()), report.bytesChanged, report.verifyFailed};
}
