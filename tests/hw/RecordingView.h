#pragma once
// A window stand-in that writes down what the transfers asked it to show.

#include <functional>
#include <string>
#include <vector>

#include "EepromView.h"

struct ShownMessage {
    std::string caption;
    std::string text;
    MessageIcon icon;
};

class CRecordingView : public IEepromView {
public:
    void SetProgressRange(int maximum) override { ranges.push_back(maximum); }
    void SetProgressPosition(int position) override { lastPosition = position; ++positionCalls; }
    void SetProgressColour(BarColour colour) override {
        colours.push_back(colour);
        if (onColour) onColour(colour);
    }
    void SetBusyPointer(bool busy) override { busyChanges.push_back(busy); }
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override {
        messages.push_back({caption, text, icon});
    }
    void DisableEepromControls() override { ++disables; }
    void DrawEepromMap() override { ++draws; }
    void AddLog(const std::string& line) override { logs.push_back(line); }

    std::vector<int> ranges;
    int lastPosition = -1;
    int positionCalls = 0;
    std::vector<BarColour> colours;
    std::vector<bool> busyChanges;
    std::vector<ShownMessage> messages;
    int disables = 0;
    int draws = 0;
    std::vector<std::string> logs;
    std::function<void(BarColour)> onColour;  // lets a test look at the map between phases
};
