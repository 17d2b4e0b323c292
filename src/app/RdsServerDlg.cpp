#include "RdsServerDlg.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "FileLookup.h"

namespace {

constexpr const char* ABOUT_ENTRY = "&Acerca do Orvane...";
constexpr int ABOUT_COMMAND = 16;
constexpr const char* TITLE_PREFIX = "Orvane Server - Sistema opertativo : ";

constexpr const char* NO_VERSION_CAPTION = "Potencial probabilidade de erro-de-programa a seguir.";
constexpr const char* NO_VERSION_TEXT =
    "N\xE3o \xE9 poss\xEDvel determinar a vers\xE3o do sistema operativo\n"
    "o que poder\xE1 levar a situa\xE7\xF5" "es de erro, pois este programa acede\n"
    "directamente ao hardware. ( Caso o nucleo do sistema seja NT ir\xE1 dar erro.\n";
constexpr const char* SLOW_CPU_CAPTION = "Pentium CPU n\xE3o detectado.";
constexpr const char* SLOW_CPU_TEXT =
    "O Sistema parece ser do tipo lesma...ter\xE1 de adquirir\num sistema mais tipo pentium...";

constexpr const char* REFUSAL_CAPTION = "Preven\xE7\xE3o de erro de sistema.";
constexpr const char* REFUSAL_TEXT =
    "O programa est\xE1 a correr numa vers\xE3o do windows que\n"
    "n\xE3o \xE9 v\xE1lida por n\xE3o deixar aceder directamente aos portos\n"
    "LPT1 / COMn . Assim sendo o programa vai sair.\n"
    "Este inconveniente est\xE1 a ser tratado para a pr\xF3xima vers\xE3o.";

constexpr const char* ILLEGAL_CLOSE_CAPTION = "Encerramento ilegal do programa???";
constexpr const char* ILLEGAL_CLOSE_TEXT =
    "Se for intencional o encerramento do programa,\n"
    "use os procedimentos normais de encerramento...";

constexpr const char* PORT_RANGE_TEXT = "Please enter an integer between 0 and 32767.";
constexpr const char* NO_CODER_LINK_LINE =
    "Envio em porta SERIE indispon\xEDvel: os comandos ser\xE3o executados aqui.";

// "6.1.0-18-amd64" shows as "6.1".
std::string MajorMinor(const char* release) {
    std::string out;
    int dots = 0;
    for (const char* p = release; *p != '\0'; ++p) {
        if (*p >= '0' && *p <= '9') {
            out.push_back(*p);
        } else if (*p == '.' && dots == 0 && !out.empty()) {
            out.push_back('.');
            ++dots;
        } else {
            break;
        }
    }
    return out;
}

}  // namespace

CRdsServerDlg::CRdsServerDlg(IServerView& view, IClock& clock, ServerEnvironment environment,
                             std::unique_ptr<IPortIo> io)
    : m_model(clock),
      m_view(view),
      m_env(std::move(environment)),
      m_eeprom(view, std::move(io)),
      m_commandServer(*this),
      m_timeServer(*this) {}

CRdsServerDlg::~CRdsServerDlg() = default;

// ---------------------------------------------------------------- start-up

void CRdsServerDlg::InitMainWindow() {
    PushToControls();
    m_view.AddSystemMenuEntry(ABOUT_COMMAND, ABOUT_ENTRY);

    m_noDirectPorts = false;
    m_hardwareReady = false;
    m_externalCoder = false;
    m_timeServer.m_strikeTimeServer = false;
    m_timeServerActive = false;
    m_timeServer.m_timeSentThisMinute = false;

    ReadConfiguration();
    m_noDirectPorts = CheckPlatform() != 0;

    m_view.SetAddressEntry(kIdNetMask, {255, 255, 255, 0});
    m_view.SetAddressEntry(kIdNetAddress, {10, 0, 0, 0});
    PushToControls();

    StartListening();
    InitCoderLink();
    if (m_externalCoder) SendToCoder("RDS Server is on line.\n");

    m_timeServer.m_timeStepDone = false;
    m_timeServer.m_timeSending = false;
    m_closeAllowed = false;
    m_view.StartTickTimer(TICK_PERIOD_MS);
    m_view.SetProgressRange(0, PROGRESS_HIGH);

    ProcessCommandFile();

    m_tickCount = 0;
    m_syncCount = 0;
    m_initialLoadPending = true;
    m_eeprom.Bus().Close();
}

void CRdsServerDlg::ReadConfiguration() {
    const ConfigReport report = CConfigReader::ReadFile(FindWorkingFile("DEF.INI"));
    ApplySettings(report.settings);
    for (const std::string& line : report.logLines) AddLog(line);
    if (report.found) PushToControls();
}

void CRdsServerDlg::ApplySettings(const ServerSettings& s) {
    m_eepromSize = s.eepromSize;
    m_eeprom.SetEepromSize(s.eepromSize);
    m_port = s.port;
    m_autoTitles = s.autoTitles;
    m_titleFile = s.titleFile;
    m_timeServer.m_timeMinute = s.timeMinute;

    CI2cPort& bus = m_eeprom.Bus();
    bus.SetBasePort(s.basePort);
    if (s.clockDelay) bus.SetClockDelay(*s.clockDelay);
    if (s.writeWait) bus.SetWriteWait(*s.writeWait);
    if (s.pollWrite) bus.SetPollWrite(1);
    if (s.psRepeat) m_model.SetPsRepeat(*s.psRepeat);

    // A flag in the file only ever switches on.
    if (s.autoLoad) m_autoLoad = true;
    if (s.pollWrite) m_pollWrite = true;
    if (s.externalCoder) m_externalCoder = true;
    if (s.timeServerActive) m_timeServerActive = true;
    if (s.strikeTimeServer) m_timeServer.m_strikeTimeServer = true;
}

int CRdsServerDlg::CheckPlatform() {
    utsname info{};
    if (uname(&info) != 0) {
        m_view.ShowMessage(NO_VERSION_CAPTION, NO_VERSION_TEXT, MessageIcon::Information);
        return 0;
    }
    m_osName = std::string(info.sysname) + " " + MajorMinor(info.release) + " ";
    if (sizeof(void*) < 8) m_view.ShowMessage(SLOW_CPU_CAPTION, SLOW_CPU_TEXT, MessageIcon::None);
    m_view.SetWindowTitle(TITLE_PREFIX + m_osName);

    AddLog("Barramento I2C: " + m_env.busName + " - Codificador: " + m_env.coderName);
    if (!m_env.busRefusal.empty()) {
        AddLog("Barramento I2C recusado: " + m_env.busRefusal);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- tick

void CRdsServerDlg::OnTick() {
    PullFromControls();  // a refused port leaves the fields as they stand; the tick goes on

    if (m_noDirectPorts) {
        // Stopped first, so no tick runs while the message waits for its answer.
        m_view.StopTickTimer();
        m_view.ShowMessage(REFUSAL_CAPTION, REFUSAL_TEXT, MessageIcon::Information);
        m_exitCode = 1;
        FinishRun();
        m_timeServer.m_timeSending = false;
        m_initialLoadPending = false;
        m_hardwareReady = false;
        m_timeServerActive = false;
    }

    // While time packets go out the tick does nothing else; its counters wait.
    if (m_timeServer.TickCycle()) {
        PushToControls();
        return;
    }

    if (m_autoTitles && m_tickCount % 32 == 0) {
        m_titles.Poll(FindWorkingFile(m_titleFile), m_model, *this);
    }

    if (++m_tickCount >= LOG_CLEAR_TICKS) {
        m_view.ClearList(ServerList::Log);
        m_tickCount = 0;
    }

    if (++m_syncCount >= SYNC_TICKS) {
        m_syncCount = 0;
        m_model.RefreshClock();
        SyncEeprom();
        ShowImageDump();
    }

    m_clockText = m_model.GetClockText();

    const int length = m_model.GetImageLength();
    char lengthText[16];
    std::snprintf(lengthText, sizeof lengthText, "%04X", static_cast<unsigned>(length));
    m_imageLengthText = lengthText;
    m_view.SetProgressPos(length / 16);

    if (m_initialLoadPending && !m_hardwareReady && m_autoLoad) {
        // Cleared before the read, so a tick inside its message box cannot start another.
        m_initialLoadPending = false;
        ReadEeprom();
    }

    m_timeServer.TickSchedule(m_timeServerActive);

    PushToControls();
}

void CRdsServerDlg::ShowImageDump() {
    m_view.ClearList(ServerList::Dump);
    const int length = m_model.GetImageLength();
    char text[64];
    std::snprintf(text, sizeof text, "[0000]:Blocks=%04X(word)",
                  static_cast<unsigned>(length / RECORD_BYTES));
    m_view.AddLine(ServerList::Dump, text);

    const uint8_t* image = m_model.GetImage();
    for (int record = 0; (record + 1) * RECORD_BYTES <= length; ++record) {
        const int first = record * RECORD_BYTES;
        std::snprintf(text, sizeof text, "[%04X]:",
                      static_cast<unsigned>(EEPROM_HEADER_BYTES + first));
        std::string line = text;
        for (int i = 0; i < RECORD_BYTES; ++i) {
            std::snprintf(text, sizeof text, "%02X", image[first + i]);
            line += text;
        }
        m_view.AddLine(ServerList::Dump, line);
    }
}

// ---------------------------------------------------------------- shutdown

void CRdsServerDlg::FinishRun() {
    m_closeAllowed = true;
    if (m_commandServer.IsListening()) StopListening();
    m_model.SetGroupFlags(0);
    m_model.SetPsTitle("");
    m_model.Rebuild();
    SyncEeprom();
    if (PullFromControls()) m_view.EndRun(m_exitCode);
}

void CRdsServerDlg::RejectClose() {
    if (m_closeAllowed) {
        m_view.StopTickTimer();
        m_view.EndRun(m_exitCode);
    }
    m_view.ShowMessage(ILLEGAL_CLOSE_CAPTION, ILLEGAL_CLOSE_TEXT, MessageIcon::None);
}

// ---------------------------------------------------------------- controls

bool CRdsServerDlg::PullFromControls() {
    const ControlValues v = m_view.ReadControls();
    m_port = v.port;
    if (v.port < 0 || v.port > CConfigReader::MAX_PORT) {
        m_view.ShowMessage("", PORT_RANGE_TEXT, MessageIcon::Warning);
        m_view.FocusControl(kIdPortField);
        return false;
    }
    m_clockText = v.clockText;
    m_imageLengthText = v.imageLengthText;
    m_autoLoad = v.autoLoad;
    m_forceWrite = v.forceWrite;
    m_mapReadout = v.mapReadout;
    m_pollWrite = v.pollWrite;
    m_autoTitles = v.autoTitles;
    m_timeServerActive = v.timeServerActive;
    m_nextUpdateText = v.nextUpdateText;
    return true;
}

void CRdsServerDlg::PushToControls() {
    ControlValues v;
    v.port = m_port;
    v.clockText = m_clockText;
    v.imageLengthText = m_imageLengthText;
    v.autoLoad = m_autoLoad;
    v.forceWrite = m_forceWrite;
    v.mapReadout = m_mapReadout;
    v.pollWrite = m_pollWrite;
    v.autoTitles = m_autoTitles;
    v.timeServerActive = m_timeServerActive;
    v.nextUpdateText = m_nextUpdateText;
    m_view.WriteControls(v);
}

void CRdsServerDlg::OnSendNow() { m_timeServer.OnSendNow(); }

// ---------------------------------------------------------------- command file and log

void CRdsServerDlg::ProcessCommandFile() { ::ProcessCommandFile(FindWorkingFile("RDS.TXT"), *this); }

void CRdsServerDlg::AddLog(const std::string& line) { m_view.AddLine(ServerList::Log, line); }

void CRdsServerDlg::SwitchOnAutoLoad() {
    PullFromControls();
    m_autoLoad = true;
    PushToControls();
}

void CRdsServerDlg::ResetRememberedTitle() { m_titles.Reset(); }

void CRdsServerDlg::Rebuild() { m_model.Rebuild(); }

CommandResult CRdsServerDlg::ExecuteCommandLine(const std::string& line) {
    return m_model.ExecuteCommand(line.c_str());
}

void CRdsServerDlg::AddConnectionLine(const std::string& line) {
    m_view.AddLine(ServerList::Connections, line);
}

void CRdsServerDlg::ShowMessage(const std::string& caption, const std::string& text,
                                MessageIcon icon) {
    m_view.ShowMessage(caption, text, icon);
}

void CRdsServerDlg::GetClockTime(int& hour, int& minute, int& second) {
    m_model.GetClockTime(hour, minute, second);
}

void CRdsServerDlg::SetSocketPicture(SocketPicture picture) {
    SocketLamp lamp = SocketLamp::Closed;
    if (picture == SocketPicture::Listening) lamp = SocketLamp::Listening;
    if (picture == SocketPicture::Connected) lamp = SocketLamp::Connected;
    m_view.SetSocketLamp(lamp);
}

void CRdsServerDlg::EnableControl(int controlId, bool enabled) {
    m_view.EnableControl(controlId, enabled);
}

std::string CRdsServerDlg::FindWorkingFile(const std::string& name) {
    std::string path = ResolveFileName(m_env.workDir, name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return {};
    return path;
}

// ---------------------------------------------------------------- EEPROM

void CRdsServerDlg::ReadEeprom() {
    m_eeprom.ReadEeprom(m_autoLoad, m_forceWrite);
    m_hardwareReady = m_eeprom.IsHardwareReady();
    // A failed read has its message box; a good one is otherwise silent.
    if (m_hardwareReady) {
        AddLog("EEPROM lida: " + std::to_string(m_eeprom.GetEepromSize()) + " bytes.");
    }
}

void CRdsServerDlg::SyncEeprom() {
    // The mirror keeps its own record of the last read; a refused platform clears ours too.
    if (!m_hardwareReady || !m_autoLoad) return;
    const int length = m_model.GetImageLength();
    m_eeprom.SyncEeprom(m_autoLoad, m_forceWrite, m_model.GetImage(), length);
    int changed = 0;
    const int end = std::min(EEPROM_HEADER_BYTES + length, m_eeprom.GetEepromSize());
    for (int a = EEPROM_HEADER_BYTES; a < end; ++a) {
        if (m_eeprom.State(a) == EeStateChanged()) ++changed;
    }
    if (changed > 0) AddLog("EEPROM sincronizada: " + std::to_string(changed) + " bytes alterados.");
}

void CRdsServerDlg::EraseEeprom() { m_eeprom.EraseEeprom(m_autoLoad, m_forceWrite); }

// ---------------------------------------------------------------- command and time servers

void CRdsServerDlg::StartListening() { m_commandServer.StartListening(); }

void CRdsServerDlg::StopListening() { m_commandServer.StopListening(); }

void CRdsServerDlg::StartTimeSync() { m_timeServer.StartTimeSync(); }

void CRdsServerDlg::SendNextTimePacket() { m_timeServer.SendNextTimePacket(); }

void CRdsServerDlg::InitCoderLink() {
    if (!m_externalCoder) return;
    // No serial link is built in yet: commands stay with this server rather than vanish.
    AddLog(NO_CODER_LINK_LINE);
    m_externalCoder = false;
}

void CRdsServerDlg::SendToCoder(const std::string&) {
    // Reached only while a link is configured, which InitCoderLink has ruled out.
    AddLog(NO_CODER_LINK_LINE);
}
