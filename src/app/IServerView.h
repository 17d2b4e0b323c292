#pragma once
// What the controller needs of its window. The Qt window and the console implement it;
// tests record it. Every text is CP1252 bytes; the view converts where a person reads it.

#include <array>
#include <cstdint>
#include <string>

#include "ControlIds.h"
#include "MessageIcon.h"
#include "OnAirReport.h"

// The caption of a message box whose caption is left empty.
inline constexpr const char* kApplicationName = "Orvane Server";

// The values exchanged with the controls, in the order they are copied.
struct ControlValues {
    int port = 0;                   // 1002
    std::string clockText;          // 1014
    std::string imageLengthText;    // 1013
    bool autoLoad = false;          // 1015
    bool forceWrite = false;        // 1019
    std::string mapReadout;         // 1020
    bool pollWrite = false;         // 1021
    bool autoTitles = false;        // 1022
    bool timeServerActive = false;  // 1023
    std::string nextUpdateText;     // 1024

    bool operator==(const ControlValues&) const = default;
};

class IServerView {
public:
    virtual ~IServerView() = default;

    virtual void AddLine(ServerList list, const std::string& line) = 0;
    virtual void ClearList(ServerList list) = 0;
    // Modal, always with an OK button; returns once answered. An empty caption means the application's name.
    virtual void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) = 0;

    [[nodiscard]] virtual ControlValues ReadControls() = 0;
    virtual void WriteControls(const ControlValues& values) = 0;
    virtual void EnableControl(int controlId, bool enabled) = 0;
    virtual void FocusControl(int controlId) = 0;
    virtual void SetAddressEntry(int controlId, const std::array<uint8_t, 4>& octets) = 0;
    virtual void SetSocketPicture(SocketPicture picture) = 0;
    virtual void SetWindowTitle(const std::string& title) = 0;
    virtual void AddSystemMenuEntry(int commandId, const std::string& text) = 0;

    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int pos) = 0;
    virtual void SetProgressColour(uint8_t red, uint8_t green, uint8_t blue) = 0;
    virtual void SetBusyPointer(bool busy) = 0;
    // Redraws the map from one state code per EEPROM address; positions from eepromSize on
    // are outside the chip.
    virtual void DrawEepromMap(const uint8_t* states, int eepromSize) = 0;

    // What a receiver shows for the chip's content, each time it changes. A view without a
    // place of its own for it gives the lines to the event log.
    virtual void ShowOnAir(const OnAirReport& report) {
        for (const std::string& line : OnAirLines(report)) AddLine(ServerList::Log, line);
    }

    // The one-second tick and the end of the run belong to the event loop behind the view.
    virtual void StartTickTimer(int periodMs) = 0;
    virtual void StopTickTimer() = 0;
    virtual void EndRun(int exitCode) = 0;
};
