#pragma once
// What the command server and the time server need from the controller that owns them.
// Every text crossing this interface is CP1252 bytes without a line end.

#include <string>

#include "CommandResult.h"
#include "ControlIds.h"
#include "LogSink.h"
#include "MessageIcon.h"

class INetHost {
public:
    virtual ~INetHost() = default;

    // Runs one command line on the model: 1 when it began with a known keyword, else 0.
    virtual CommandResult ExecuteCommandLine(const std::string& line) = 0;
    // Appends a line to the event log (list 1000).
    virtual void AddLogLine(const std::string& line) = 0;
    // Appends a line to the connection list (list 1016).
    virtual void AddConnectionLine(const std::string& line) = 0;
    // Modal message box with an OK button only; returns once it has been answered.
    virtual void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
    // The caption of the server's own message boxes.
    [[nodiscard]] virtual std::string ApplicationName() = 0;
    // True once the first EEPROM read has succeeded (m_hardwareReady).
    [[nodiscard]] virtual bool IsHardwareReady() = 0;
    // The model's clock text, as shown in field 1014.
    [[nodiscard]] virtual std::string GetClockText() = 0;
    // The model's local hour, minute and second as plain numbers.
    virtual void GetClockTime(int& hour, int& minute, int& second) = 0;
    // Shows the closed, listening or connected picture in the socket-state display.
    virtual void SetSocketPicture(SocketPicture picture) = 0;
    // Enables or disables one control of the window by id.
    virtual void EnableControl(int controlId, bool enabled) = 0;
    // The configured command port (m_port), read at every creation of the listener.
    [[nodiscard]] virtual int GetPort() = 0;
    // True in the older mode where command lines go to the external coder (m_externalCoder).
    [[nodiscard]] virtual bool IsExternalCoder() = 0;
    // Sends a text to the external coder over the serial link.
    virtual void SendToCoder(const std::string& text) = 0;
    // Shows the time of the next scheduled time-packet cycle in field 1024 (m_nextUpdateText).
    virtual void SetNextUpdateText(const std::string& text) = 0;
    // Full path of a file of the working folder, found without regard to case; empty if absent.
    [[nodiscard]] virtual std::string FindWorkingFile(const std::string& name) = 0;
};
