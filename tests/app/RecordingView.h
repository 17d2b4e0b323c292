#pragma once
// A window for tests: remembers every call, answers message boxes at once.

#include <map>
#include <string>
#include <vector>

#include "IServerView.h"

struct RecordedMessage {
    std::string caption;
    std::string text;
    BoxIcon icon;
};

class CRecordingView : public IServerView {
public:
    void AddLine(ServerList list, const std::string& line) override {
        lists[list].push_back(line);
        everyLine[list].push_back(line);
    }
    void ClearList(ServerList list) override {
        lists[list].clear();
        ++clears[list];
    }
    void ShowMessage(const std::string& caption, const std::string& text, BoxIcon icon) override {
        messages.push_back({caption, text, icon});
    }
    [[nodiscard]] ControlValues ReadControls() override { return controls; }
    void WriteControls(const ControlValues& values) override { controls = values; ++writes; }
    void EnableControl(int id, bool enabled) override { enabled_[id] = enabled; }
    void FocusControl(int id) override { focus = id; }
    void SetAddressEntry(int id, const std::array<uint8_t, 4>& octets) override {
        addresses[id] = octets;
    }
    void SetSocketLamp(SocketLamp l) override { lamp = l; }
    void SetWindowTitle(const std::string& t) override { title = t; }
    void AddSystemMenuEntry(int id, const std::string& text) override { menu[id] = text; }
    void SetProgressRange(int low, int high) override { progressLow = low; progressHigh = high; }
    void SetProgressPos(int pos) override { progressPos = pos; }
    void SetProgressColour(uint8_t, uint8_t, uint8_t) override {}
    void SetBusyPointer(bool busy) override { this->busy = busy; }
    void DrawEepromMap(const uint8_t*, int size) override { ++mapDraws; mapSize = size; }
    void StartTickTimer(int periodMs) override {
        timerPeriod = periodMs;
        timerRunning = true;
        logAtTimerStart = static_cast<int>(everyLine[ServerList::Log].size());
    }
    void StopTickTimer() override { timerRunning = false; }
    void EndRun(int code) override { exitCodes.push_back(code); timerRunning = false; }

    [[nodiscard]] bool IsEnabled(int id) const {
        const auto it = enabled_.find(id);
        return it == enabled_.end() || it->second;
    }
    [[nodiscard]] const std::vector<std::string>& Log() { return lists[ServerList::Log]; }
    [[nodiscard]] const std::vector<std::string>& AllLog() { return everyLine[ServerList::Log]; }
    [[nodiscard]] const std::vector<std::string>& Dump() { return lists[ServerList::Dump]; }

    std::map<ServerList, std::vector<std::string>> lists;      // what each list shows now
    std::map<ServerList, std::vector<std::string>> everyLine;  // everything ever added
    std::map<ServerList, int> clears;
    std::vector<RecordedMessage> messages;
    ControlValues controls;
    int writes = 0;
    std::map<int, bool> enabled_;
    int focus = 0;
    std::map<int, std::array<uint8_t, 4>> addresses;
    SocketLamp lamp = SocketLamp::Closed;
    std::string title;
    std::map<int, std::string> menu;
    int progressLow = -1, progressHigh = -1, progressPos = -1;
    bool busy = false;
    int mapDraws = 0, mapSize = -1;
    int timerPeriod = 0;
    bool timerRunning = false;
    int logAtTimerStart = -1;
    std::vector<int> exitCodes;
};
