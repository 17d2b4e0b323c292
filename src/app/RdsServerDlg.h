#pragma once
// The controller: main() builds one with a view, a clock and a way to open the bus, calls
// InitMainWindow, then OnTick every second and FinishRun at the end; nothing else drives it.
//
// It owns the model, the bus, the EEPROM mirror, the command and time servers and the values
// shown in the window, and coordinates them; each of them answers, and it logs and shows.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CoderLink.h"
#include "CommandFile.h"
#include "CommandServer.h"
#include "ConfigReader.h"
#include "EepromMirror.h"
#include "I2cPort.h"
#include "IServerView.h"
#include "ImageComparison.h"
#include "LogSink.h"
#include "NetHost.h"
#include "PortBackend.h"
#include "RdsModel.h"
#include "StatusServer.h"
#include "TimeServer.h"
#include "Title.h"

// Opens the bus backend at the register block DEF.INI named (LPT=, else DEFAULT_LPT_BASE).
using BusOpener = std::function<PortOpenResult(uint16_t basePort)>;

// Opens the serial coder link's port; asked only in the older mode.
using CoderOpener = std::function<PortOpenResult()>;

// What main() hands the controller.
struct ServerEnvironment {
    std::string workDir = ".";
    std::string busName = "sim:eeprom.sim";  // as the operator chose it; logged when it cannot open
    std::string coderName = "sim";
    BusOpener openBus;      // null: there is no bus, as if it could not be opened
    CoderOpener openCoder;  // null: there is no serial port, as if it could not be opened
};

class CRdsServerDlg : private IEepromView, private ILogSink, private ICommandFileHost, private INetHost {
public:
    CRdsServerDlg(IServerView& view, IClock& clock, ServerEnvironment environment);
    ~CRdsServerDlg() override;
    CRdsServerDlg(const CRdsServerDlg&) = delete;
    CRdsServerDlg& operator=(const CRdsServerDlg&) = delete;

    // ---- the run ----
    void InitMainWindow();
    void OnTick();
    void FinishRun();
    void RejectClose();
    // "Repor valores por defeito": the command file is run again.
    void ReloadCommandFile();
    // The mouse at client pixel (x, y): the readout shows the EEPROM byte under it, if any.
    void ShowMapReadout(int x, int y);
    // The port field lost the focus: the controls are read as on a tick.
    void OnPortFieldLeft() { PullFromControls(); }
    // One command line from a client or the command file.
    CommandResult ExecuteCommandLine(const std::string& line) override;

    // ---- EEPROM transfers, with the check boxes as they stand ----
    void ReadEeprom();
    // Written: read back only what this sync wrote (a sync at a change of the image).
    void SyncEeprom(VerifyScope scope = VerifyScope::StoredExtent);
    void EraseEeprom();

    // ---- what the run has reached ----
    [[nodiscard]] int ExitCode() const { return m_exitCode; }
    [[nodiscard]] bool IsInitialLoadPending() const { return m_initialLoadPending; }
    // True while the model holds defaults because the command file could not be read.
    [[nodiscard]] bool IsSyncHeld() const { return m_syncHeld; }
    [[nodiscard]] int TicksUntilSync() const { return SYNC_TICKS - m_syncCount; }
    [[nodiscard]] bool IsHardwareReady() override { return m_mirror.IsHardwareReady(); }
    // The port the command server holds now; 0 while it is down.
    [[nodiscard]] int BoundPort() const { return m_commandServer.BoundPort(); }
    [[nodiscard]] const CRdsModel& Model() const { return m_model; }
    [[nodiscard]] const CI2cPort& Bus() const { return m_bus; }
    [[nodiscard]] const CEepromMirror& Mirror() const { return m_mirror; }
    [[nodiscard]] CTimeServer& TimeServer() { return m_timeServer; }
    [[nodiscard]] CCommandServer& CommandServer() { return m_commandServer; }
    // The status page's port; 0 when DEF.INI asks for none or it could not listen.
    [[nodiscard]] int StatusPort() const { return m_statusPort; }
    // What the status page shows now.
    [[nodiscard]] StatusSnapshot TakeStatusSnapshot();

    static constexpr int TICK_PERIOD_MS = 1000;
    static constexpr int LOG_CLEAR_TICKS = 60;
    static constexpr int SYNC_TICKS = 15;
    static constexpr int READ_RETRY_TICKS = 60;  // a failed first read is tried again this often
    static constexpr int PROGRESS_HIGH = IMAGE_CAPACITY / 16;
    static constexpr std::size_t STATUS_LOG_LINES = 50;

private:
    // ---- start-up ----
    void ReadConfiguration();
    void RunCommandFile();
    void ApplySettings(const ServerSettings& settings);
    void OpenBus(uint16_t basePort);
    [[nodiscard]] bool CheckPlatform();
    void Refuse();
    void InitCoderLink();
    void ShowImageDump();
    void ShowImageLength();
    void ScheduleReadRetry();
    void LogStorageFault();
    void SyncOnRhythm();  // every tick, time cycle or not: a change now, the whole extent every SYNC_TICKS
    void StartStatusPage();
    void PublishStatus();
    void RememberLogLine(const std::string& line);
    void RememberSync(const SyncReport& report);
    // What the chip sends, shown when it changed; after a sync, logged where it is not the image.
    void ReportOnAir();
    void LogOnAirDifference();

    // ---- exchange with the window ----
    bool PullFromControls();
    void PushToControls();

    // IEepromView
    void SetProgressRange(int maximum) override { m_view.SetProgressRange(0, maximum); }
    void SetProgressPosition(int position) override { m_view.SetProgressPos(position); }
    void SetProgressColour(BarColour c) override { m_view.SetProgressColour(c.red, c.green, c.blue); }
    void SetBusyPointer(bool busy) override { m_view.SetBusyPointer(busy); }
    void DisableEepromControls() override;
    void DrawEepromMap() override { m_view.DrawEepromMap(m_mirror.StateData(), m_mirror.GetEepromSize()); }

    // ILogSink, ICommandFileHost
    void AddLog(const std::string& line) override {
        m_view.AddLine(ServerList::Log, line);
        RememberLogLine(line);
    }
    void SwitchOnAutoLoad() override;
    void ResetRememberedTitle() override { m_titles.Reset(); }
    void Rebuild() override { m_model.Rebuild(); }

    // INetHost; ShowMessage serves the EEPROM transfers too
    void AddLogLine(const std::string& line) override { AddLog(line); }
    void AddConnectionLine(const std::string& line) override {
        m_view.AddLine(ServerList::Connections, line);
        m_lastConnection = line;
    }
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override {
        m_view.ShowMessage(caption, text, icon);
    }
    [[nodiscard]] std::string ApplicationName() override { return kApplicationName; }
    [[nodiscard]] std::string GetClockText() override { return m_model.GetClockText(); }
    void GetClockTime(int& hour, int& minute, int& second) override { m_model.GetClockTime(hour, minute, second); }
    void SetSocketPicture(SocketPicture picture) override { m_view.SetSocketPicture(picture); }
    void EnableControl(int controlId, bool enabled) override { m_view.EnableControl(controlId, enabled); }
    [[nodiscard]] int GetPort() override { return m_controls.port; }
    [[nodiscard]] bool IsExternalCoder() override { return m_externalCoder; }
    void SendToCoder(const std::string& text) override;
    void SetNextUpdateText(const std::string& text) override { m_controls.nextUpdateText = text; }
    [[nodiscard]] std::string FindWorkingFile(const std::string& name) override;

    IServerView& m_view;
    IClock& m_clock;
    ServerEnvironment m_env;

    // The window's values; pollWrite only shows the bus's setting, which owns it.
    ControlValues m_controls;

    std::optional<int> m_portRefused;  // the out-of-range port whose message was shown
    bool m_mapHover = false;           // the readout field is enabled
    std::string m_busRefusal;          // why the bus backend could not be opened; empty when it did
    bool m_initialLoadPending = false;
    bool m_syncHeld = false;
    bool m_syncHeldLogged = false;  // once per hold, not at every sync
    bool m_noDirectPorts = false;
    int m_tickCount = 0;
    int m_syncCount = 0;
    bool m_closeAllowed = false;
    bool m_externalCoder = false;
    int m_leftOutReported = 0;             // records last logged as not fitting the EEPROM
    int m_readRetryTicks = 0;              // ticks until a failed read is tried again; 0: none waits
    std::string m_readFailureLogged;       // the last failed read's line, logged once
    std::string m_storageFault;            // the bus's storage fault as last logged
    std::vector<std::string> m_shownDump;  // the dump the list shows
    std::vector<uint8_t> m_syncedImage;    // the image the last sync that ran was given
    std::vector<uint8_t> m_onAirContent;   // chip bytes and read-back flags last decoded
    std::optional<OnAirReport> m_onAirShown;
    ImageDifference m_onAirDifference;  // as last logged; none at start
    std::string m_osName;
    std::string m_titleFile = ".\\STATUS.HTM";
    int m_exitCode = 0;  // 1 when the bus could not be opened

    CRdsModel m_model;
    CTitleTracker m_titles;
    std::unique_ptr<IPortIo> m_io;
    CI2cPort m_bus;
    CEepromMirror m_mirror;
    CCommandServer m_commandServer;
    CTimeServer m_timeServer;
    std::unique_ptr<IPortIo> m_coderIo;
    CCoderLink m_coderLink;

    // The status page and what only it shows.
    int m_webPort = 0;
    std::string m_webBind;
    int m_statusPort = 0;
    int64_t m_ticksRun = 0;
    std::deque<std::string> m_recentLog;  // survives the log's clearing every minute
    std::optional<StatusSync> m_lastSync;
    std::string m_lastConnection;
    std::unique_ptr<CStatusServer> m_statusServer;
};
