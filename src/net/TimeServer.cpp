#include "TimeServer.h"

#include <cstdio>

#include "TextFile.h"

namespace {

const char* const kClientFile = "TIMECLI.TXT";
const char* const kRule = "--------------------------------------------------------------";
const char* const kTimeoutLine = "Sending timeout error. ( Machine off ? )";

}  // namespace

CTimeServer::CTimeServer(INetHost& host, IOneShotTimer* connectTimer)
    : m_host(host),
      m_connectTimer(OwnOrGiven(connectTimer, m_ownConnectTimer, kConnectLimitMs, [this] { OnConnectTimeout(); })) {}

CTimeServer::~CTimeServer() = default;

bool CTimeServer::TickCycle() {
    if (!m_timeSending) return false;
    if (m_timeStepDone) {
        NewTimeSocket();
        SendNextTimePacket();
        return true;
    }
    const int waited = m_sendTicks++;
    if (waited > kTimeoutTicks) {
        m_sendTicks = 0;
        m_timeStepDone = true;
        m_host.AddLogLine(kTimeoutLine);
    }
    return true;
}

void CTimeServer::TickSchedule(bool timeServerActive) {
    if (!timeServerActive) return;
    int hour = 0, minute = 0, second = 0;
    m_host.GetClockTime(hour, minute, second);
    if ((minute == m_timeMinute || m_strikeTimeServer) && !m_timeSentThisMinute) {
        const int nextHour = hour + 1 == 24 ? 0 : hour + 1;
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d", nextHour, m_timeMinute);
        m_host.SetNextUpdateText(text);
        m_timeSentThisMinute = true;
        StartTimeSync();
        m_strikeTimeServer = false;
    }
    if (minute != m_timeMinute) m_timeSentThisMinute = false;
}

void CTimeServer::StartTimeSync() {
    const std::string path = m_host.FindWorkingFile(kClientFile);
    if (path.empty()) return;
    // A FIFO in the list's place must not stall the tick.
    FilePtr file = OpenRegularTextFile(path).file;
    if (!file) return;
    m_timeClientCount = ReadTimeClients(file.get(), m_timeClients);
    file.reset();
    NewTimeSocket();
    m_timeSending = true;
    SendNextTimePacket();
}

void CTimeServer::SendNextTimePacket() {
    // Lines that cannot be served are passed over at once, so this loops rather than recursing.
    while (m_timeClientCount > 0) {
        --m_timeClientCount;
        m_timeLine = m_timeClients[static_cast<std::size_t>(m_timeClientCount)];
        if (!ParseTimeClient(m_timeLine.c_str(), m_timeClientAddress)) continue;
        const std::string clientLine = m_timeLine;
        if (!IsUsableTimeClient(m_timeClientAddress)) {
            // Such an address would only end by the time-out, 17 s later; say why and move on.
            m_host.AddLogLine(kRule);
            m_host.AddLogLine("Sending to " + clientLine + " : skipped, address or port out of range.");
            continue;
        }
        if (!m_timeSocket) NewTimeSocket();
        m_timeLine = FormatDottedAddress(m_timeClientAddress);

        int hour = 0, minute = 0, second = 0;
        m_host.GetClockTime(hour, minute, second);
        m_timePacket = FormatTimePacket(hour, minute, second);
        m_host.AddLogLine(kRule);
        m_host.AddLogLine("Sending to " + clientLine + " : " + m_timePacket);

        // All of the step's state is ready before the connect: its outcome may be reported
        // before the call returns.
        m_timeStepDone = false;
        m_sendTicks = 0;
        const auto& a = m_timeClientAddress;
        const uint32_t ipv4 = (static_cast<uint32_t>(a[0]) << 24) | (static_cast<uint32_t>(a[1]) << 16) |
                              (static_cast<uint32_t>(a[2]) << 8) | static_cast<uint32_t>(a[3]);
        // A client that never answers would hold the cycle for kTimeoutTicks; 32 of them an hour.
        m_connectTimer->Start();
        m_timeSocket->Connect(ipv4, static_cast<uint16_t>(a[4]));
        return;
    }
    m_timeSending = false;
    m_connectTimer->Stop();
    if (m_timeSocket) m_timeSocket->Close();
    m_timeSocket.reset();
}

void CTimeServer::OnSendNow() {
    if (!m_timeSending) m_strikeTimeServer = true;
}

void CTimeServer::OnTimeConnect() {
    m_connectTimer->Stop();
    if (m_timeSocket) m_timeSocket->Send(m_timePacket.data(), static_cast<int>(m_timePacket.size()));
    m_host.AddLogLine("Sent OK.");
}

void CTimeServer::OnTimeConnectFailed(int) {
    m_connectTimer->Stop();
    m_timeStepDone = true;
    m_host.AddLogLine("Sending ERROR - Not ONLINE ???");
}

void CTimeServer::OnConnectTimeout() {
    if (!m_timeSending || m_timeStepDone) return;
    if (m_timeSocket) m_timeSocket->Close();
    m_timeStepDone = true;
    m_sendTicks = 0;
    m_host.AddLogLine(kTimeoutLine);
}

void CTimeServer::OnTimeSendReady() { m_timeStepDone = true; }

void CTimeServer::NewTimeSocket() {
    if (m_timeSocket) m_timeSocket->Close();
    m_timeSocket = std::make_unique<CRdsSocket>();
    m_timeSocket->SetTimeOwner(this);
}
