#pragma once
// The controller: owns the model, the bus, the EEPROM mirror, the command and time servers
// and every flag and counter; runs start-up, the one-second tick and shutdown, and reports
// through its view.

#include <cstdint>
#include <memory>
#include <string>

#include "CommandFile.h"
#include "CommandServer.h"
#include "ConfigReader.h"
#include "EepromLink.h"
#include "IServerView.h"
#include "LogSink.h"
#include "NetHost.h"
#include "RdsModel.h"
#include "TimeServer.h"
#include "Title.h"

// What main() hands the controller besides the port backend.
struct ServerEnvironment {
    std::string workDir = ".";
    std::string busName = "sim:eeprom.sim";  // as the operator chose it, for the log
    std::string coderName = "sim";
    // Empty when the bus backend opened; else why it could not.
    std::string busRefusal;
};

class CRdsServerDlg : public ILogSink, public ICommandFileHost, public INetHost {
public:
    // io is the opened bus backend, or null together with environment.busRefusal.
    CRdsServerDlg(IServerView& view, IClock& clock, ServerEnvironment environment,
                  std::unique_ptr<IPortIo> io);
    ~CRdsServerDlg() override;
    CRdsServerDlg(const CRdsServerDlg&) = delete;
    CRdsServerDlg& operator=(const CRdsServerDlg&) = delete;

    // ---- start-up, run, shutdown ----
    void InitMainWindow();
    void ReadConfiguration();
    int CheckPlatform();
    void OnTick();
    void FinishRun();
    void RejectClose();
    void ProcessCommandFile();
    void OnSendNow();
    void ShowImageDump();

    // ---- exchange with the window ----
    bool PullFromControls();
    void PushToControls();

    // ---- EEPROM transfers ----
    void ReadEeprom();
    void SyncEeprom();
    void EraseEeprom();

    // ---- command server, time server, coder link ----
    void StartListening();
    void StopListening();
    void InitCoderLink();
    void StartTimeSync();
    void SendNextTimePacket();

    // ILogSink, ICommandFileHost
    void AddLog(const std::string& line) override;
    void SwitchOnAutoLoad() override;
    void ResetRememberedTitle() override;
    void Rebuild() override;

    // INetHost
    CommandResult ExecuteCommandLine(const std::string& line) override;
    void AddLogLine(const std::string& line) override { AddLog(line); }
    void AddConnectionLine(const std::string& line) override;
    void ShowMessage(const std::string& caption, const std::string& text,
                     MessageIcon icon) override;
    [[nodiscard]] std::string ApplicationName() override { return kApplicationName; }
    [[nodiscard]] bool IsHardwareReady() override { return m_hardwareReady; }
    [[nodiscard]] std::string GetClockText() override { return m_model.GetClockText(); }
    void GetClockTime(int& hour, int& minute, int& second) override;
    void SetSocketPicture(SocketPicture picture) override;
    void EnableControl(int controlId, bool enabled) override;
    [[nodiscard]] int GetPort() override { return m_port; }
    [[nodiscard]] bool IsExternalCoder() override { return m_externalCoder; }
    void SendToCoder(const std::string& text) override;
    void SetNextUpdateText(const std::string& text) override { m_nextUpdateText = text; }
    [[nodiscard]] std::string FindWorkingFile(const std::string& name) override;

    // The port the command server holds now; 0 while it is down.
    [[nodiscard]] int BoundPort() const { return m_commandServer.BoundPort(); }
    [[nodiscard]] CEepromLink& Eeprom() { return m_eeprom; }
    [[nodiscard]] CTimeServer& TimeServer() { return m_timeServer; }
    [[nodiscard]] CCommandServer& CommandServer() { return m_commandServer; }

    static constexpr int TICK_PERIOD_MS = 1000;
    static constexpr int LOG_CLEAR_TICKS = 60;
    static constexpr int SYNC_TICKS = 15;
    static constexpr int PROGRESS_HIGH = IMAGE_CAPACITY / 16;

    // ---- values exchanged with the controls ----
    int m_port = 0;
    std::string m_clockText;
    std::string m_imageLengthText;
    bool m_autoLoad = false;
    bool m_forceWrite = false;
    std::string m_mapReadout;
    bool m_pollWrite = false;
    bool m_autoTitles = false;
    bool m_timeServerActive = false;
    std::string m_nextUpdateText;

    // ---- own state; the time-packet cycle lives in the time server, the connection
    // flags in the command server, the three EEPROM arrays in the mirror ----
    bool m_mapHover = false;
    int m_eepromSize = IMAGE_CAPACITY;
    bool m_initialLoadPending = false;
    bool m_noDirectPorts = false;
    bool m_hardwareReady = false;
    int m_tickCount = 0;
    int m_syncCount = 0;
    bool m_closeAllowed = false;
    bool m_externalCoder = false;
    std::string m_osName;
    std::string m_titleFile = ".\\STATUS.HTM";
    CTitleTracker m_titles;  // its m_titleSum is the remembered title checksum
    CRdsModel m_model;
    // The code the process ends with: 1 when the bus could not be opened.
    int m_exitCode = 0;

private:
    void ApplySettings(const ServerSettings& settings);

    IServerView& m_view;
    ServerEnvironment m_env;
    CEepromLink m_eeprom;
    CCommandServer m_commandServer;
    CTimeServer m_timeServer;
};
