#include "RdsServerDlg.h"

#include <sys/utsname.h>

#include <cstdio>
#include <filesystem>

#include "EepromMapGeometry.h"
#include "FileLookup.h"

namespace {

constexpr const char* ABOUT_ENTRY = "&Acerca do Orvane...";
constexpr int ABOUT_COMMAND = 16;
constexpr const char* TITLE_PREFIX = "Orvane Server - Sistema opertativo : ";

constexpr const char* NO_VERSION_CAPTION = "Potencial probabilidade de erro-de-programa a seguir.";
constexpr const char* NO_VERSION_TEXT =
    "N\xE3o \xE9 poss\xEDvel determinar a vers\xE3o do sistema operativo\n"
    "o que poder\xE1 levar a situa\xE7\xF5"
    "es de erro, pois este programa acede\n"
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

constexpr const char* SIM_FILE_CAPTION = "Ficheiro da EEPROM simulada recusado.";
constexpr const char* SIM_FILE_TEXT =
    "O conte\xFA"
    "do da EEPROM simulada n\xE3o pode ser guardado em\n";
constexpr const char* SIM_FILE_END = "\nO programa vai sair.";

constexpr const char* ILLEGAL_CLOSE_CAPTION = "Encerramento ilegal do programa???";
constexpr const char* ILLEGAL_CLOSE_TEXT =
    "Se for intencional o encerramento do programa,\n"
    "use os procedimentos normais de encerramento...";

constexpr const char* PORT_RANGE_TEXT = "Please enter an integer between 0 and 32767.";

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

CRdsServerDlg::CRdsServerDlg(IServerView& view, IClock& clock, ServerEnvironment environment)
    : m_view(view),
      m_clock(clock),
      m_env(std::move(environment)),
      m_model(clock),
      m_bus(nullptr),
      m_mirror(m_bus, *this),
      m_commandServer(*this),
      m_timeServer(*this) {}

CRdsServerDlg::~CRdsServerDlg() = default;

// ---------------------------------------------------------------- start-up

void CRdsServerDlg::InitMainWindow() {
    PushToControls();
    m_view.AddSystemMenuEntry(ABOUT_COMMAND, ABOUT_ENTRY);

    m_noDirectPorts = false;
    m_externalCoder = false;
    m_timeServer.m_strikeTimeServer = false;
    m_controls.timeServerActive = false;
    m_timeServer.m_timeSentThisMinute = false;

    ReadConfiguration();
    m_noDirectPorts = !CheckPlatform();

    m_view.SetAddressEntry(kIdNetMask, {255, 255, 255, 0});
    m_view.SetAddressEntry(kIdNetAddress, {10, 0, 0, 0});
    PushToControls();

    m_commandServer.StartListening();
    StartStatusPage();
    InitCoderLink();
    if (m_externalCoder) SendToCoder("RDS Server is on line.\n");

    m_timeServer.m_timeStepDone = false;
    m_timeServer.m_timeSending = false;
    m_closeAllowed = false;
    m_view.StartTickTimer(TICK_PERIOD_MS);
    m_view.SetProgressRange(0, PROGRESS_HIGH);

    RunCommandFile();

    m_tickCount = 0;
    m_syncCount = 0;
    m_initialLoadPending = true;
    m_bus.Close();
}

void CRdsServerDlg::ReadConfiguration() {
    const ConfigReport report = CConfigReader::ReadFile(FindWorkingFile("DEF.INI"));
    ApplySettings(report.settings);
    for (const std::string& line : report.logLines) AddLog(line);
    if (report.found) PushToControls();
    // Only now is the port's address known, so a refused LPT= is refused like a missing port.
    OpenBus(report.settings.basePort);
}

void CRdsServerDlg::ApplySettings(const ServerSettings& s) {
    m_mirror.SetEepromSize(s.eepromSize);
    m_controls.port = s.port;
    m_controls.autoTitles = s.autoTitles;
    m_titleFile = s.titleFile;
    m_timeServer.m_timeMinute = s.timeMinute;
    m_commandServer.SetReplyMode(s.replyMode);
    m_webPort = s.webStatusPort;
    m_webBind = s.webBind;

    m_bus.SetBasePort(s.basePort);
    if (s.clockDelay) m_bus.SetClockDelay(*s.clockDelay);
    if (s.writeWait) m_bus.SetWriteWait(*s.writeWait);
    if (s.pollWrite) m_bus.SetPollWrite(1);
    if (s.byteWrite) m_mirror.SetWriteMode(WriteMode::Byte);
    if (s.psRepeat) m_model.SetPsRepeat(*s.psRepeat);

    // A flag in the file only ever switches on.
    if (s.autoLoad) m_controls.autoLoad = true;
    if (s.externalCoder) m_externalCoder = true;
    if (s.timeServerActive) m_controls.timeServerActive = true;
    if (s.strikeTimeServer) m_timeServer.m_strikeTimeServer = true;
}

void CRdsServerDlg::OpenBus(uint16_t basePort) {
    PortOpenResult opened = m_env.openBus ? m_env.openBus(basePort) : PortOpenResult::Failure("no bus backend");
    m_busRefusal = opened.error;
    if (!opened.Ok()) return;
    m_env.busName = opened.description;
    m_io = std::move(opened.io);
    m_bus.AttachIo(m_io.get());
}

// False when the run must be refused at the first tick.
bool CRdsServerDlg::CheckPlatform() {
    utsname info{};
    if (uname(&info) != 0) {
        m_view.ShowMessage(NO_VERSION_CAPTION, NO_VERSION_TEXT, MessageIcon::Information);
        return true;
    }
    m_osName = std::string(info.sysname) + " " + MajorMinor(info.release) + " ";
    if (sizeof(void*) < 8) m_view.ShowMessage(SLOW_CPU_CAPTION, SLOW_CPU_TEXT, MessageIcon::None);
    m_view.SetWindowTitle(TITLE_PREFIX + m_osName);

    AddLog("Barramento I2C: " + m_env.busName + " - Codificador: " + m_env.coderName);
    AddLog(m_mirror.GetWriteMode() == WriteMode::Byte ? "Escrita na EEPROM: um byte por ciclo de escrita (BYTEWRITE)"
                                                      : "Escrita na EEPROM: p\xE1ginas de 32 bytes");
    if (!m_busRefusal.empty()) {
        AddLog("Barramento I2C recusado: " + m_busRefusal);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- tick

void CRdsServerDlg::Refuse() {
    // Stopped first, so no tick runs while the message waits for its answer.
    m_view.StopTickTimer();
    if (m_env.busName.rfind("sim", 0) == 0) {
        // The platform is not at fault here: the refusal already names the file and the cause.
        m_view.ShowMessage(SIM_FILE_CAPTION, SIM_FILE_TEXT + m_busRefusal + SIM_FILE_END, MessageIcon::Stop);
    } else {
        m_view.ShowMessage(REFUSAL_CAPTION, REFUSAL_TEXT, MessageIcon::Information);
    }
    m_exitCode = 1;
    FinishRun();
    m_timeServer.m_timeSending = false;
    m_initialLoadPending = false;
    m_controls.timeServerActive = false;
}

void CRdsServerDlg::OnTick() {
    PullFromControls();  // a refused port leaves the fields as they stand; the tick goes on
    if (m_noDirectPorts) Refuse();

    // While time packets go out the tick does nothing else but keep the EEPROM in step.
    ++m_ticksRun;
    if (m_timeServer.TickCycle()) {
        SyncOnRhythm();
        PushToControls();
        PublishStatus();
        return;
    }

    if (m_controls.autoTitles && m_tickCount % 32 == 0) {
        m_titles.Poll(FindWorkingFile(m_titleFile), m_model, *this);
    }

    if (++m_tickCount >= LOG_CLEAR_TICKS) {
        m_view.ClearList(ServerList::Log);
        m_tickCount = 0;
    }

    SyncOnRhythm();

    m_controls.clockText = m_model.GetClockText();
    ShowImageLength();
    ScheduleReadRetry();

    if (m_initialLoadPending && !m_mirror.IsHardwareReady() && m_controls.autoLoad) {
        // Cleared before the read, so a tick inside its message box cannot start another.
        m_initialLoadPending = false;
        ReadEeprom();
    }

    m_timeServer.TickSchedule(m_controls.timeServerActive);

    PushToControls();
    PublishStatus();
}

void CRdsServerDlg::ShowImageLength() {
    const int length = m_model.GetImageLength();
    char lengthText[16];
    std::snprintf(lengthText, sizeof lengthText, "%04X", static_cast<unsigned>(length));
    m_controls.imageLengthText = lengthText;
    m_view.SetProgressPos(length / 16);
}

// ---------------------------------------------------------------- shutdown

void CRdsServerDlg::FinishRun() {
    m_closeAllowed = true;
    if (m_commandServer.IsListening()) m_commandServer.StopListening();
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
    // The tick boxes and fields are taken whatever the port says, so a bad port in DEF.INI
    // cannot lock the operator out of them; the refusal still fails the read.
    m_controls = m_view.ReadControls();
    const int port = m_controls.port;
    if (port >= 0 && port <= CConfigReader::MAX_PORT) {
        m_portRefused.reset();
        return true;
    }
    if (m_portRefused != port) {
        // Noted before the box opens: ticks inside its loop must not open another.
        m_portRefused = port;
        m_view.ShowMessage("", PORT_RANGE_TEXT, MessageIcon::Warning);
        m_view.FocusControl(kIdPortField);
    }
    return false;
}

void CRdsServerDlg::PushToControls() {
    m_controls.pollWrite = m_bus.GetPollWrite() != 0;
    m_view.WriteControls(m_controls);
}

void CRdsServerDlg::ShowMapReadout(int x, int y) {
    const int address = EepromMap::AddressAt(x, y);
    if (address < 0) {
        if (m_mapHover) {
            m_mapHover = false;
            m_view.EnableControl(kIdMapReadout, false);
        }
        return;
    }
    PullFromControls();
    char text[16];
    if (m_mirror.IsTargetFilled(address)) {
        std::snprintf(text, sizeof text, "[%04X]=%02X", static_cast<unsigned>(address),
                      static_cast<unsigned>(m_mirror.Target(address)));
    } else {
        // No transfer has said what belongs there yet.
        std::snprintf(text, sizeof text, "[%04X]=--", static_cast<unsigned>(address));
    }
    m_controls.mapReadout = text;
    PushToControls();
    if (!m_mapHover) {
        m_mapHover = true;
        m_view.EnableControl(kIdMapReadout, true);
    }
}

void CRdsServerDlg::DisableEepromControls() {
    m_view.EnableControl(kIdAutoLoadBox, false);
    m_view.EnableControl(kIdForceWriteBox, false);
}

// ---------------------------------------------------------------- command file, files

void CRdsServerDlg::SwitchOnAutoLoad() {
    PullFromControls();
    m_controls.autoLoad = true;
    PushToControls();
}

void CRdsServerDlg::ReloadCommandFile() { RunCommandFile(); }

void CRdsServerDlg::RunCommandFile() {
    const CommandFileReading reading = ::ProcessCommandFile(FindWorkingFile("RDS.TXT"), *this);
    // Defaults in place of the station's data must not overwrite a good EEPROM.
    m_syncHeld = reading.read != CommandFileRead::Read;
    m_syncHeldLogged = false;
}

CommandResult CRdsServerDlg::ExecuteCommandLine(const std::string& line) {
    CommandResult result = m_model.ExecuteCommand(line.c_str());
    if (result.imageBuilt) m_syncHeld = false;
    if (result.title) m_titles.NoteCommandTitle(*result.title);
    return result;
}

std::string CRdsServerDlg::FindWorkingFile(const std::string& name) {
    std::string path = ResolveFileName(m_env.workDir, name);
    // Whatever stands there is handed on, so its reader can say why it cannot read it.
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::not_found) return {};
    return path;
}
