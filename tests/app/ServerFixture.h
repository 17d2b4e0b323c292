#pragma once
// A station folder in a temporary directory, a window that records every call, a fixed
// clock and the simulated interface with its EEPROM file; the tick is called by hand.

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "ConsoleView.h"
#include "ImageDump.h"
#include "RdsServerDlg.h"
#include "RdsTestDecoder.h"
#include "SimParallelPort.h"

struct RecordedMessage {
    std::string caption, text;
    MessageIcon icon;
};

// The console view's plain controls and silent extras, recording every line, message and timer call.
class CRecordingView : public CConsoleView {
public:
    // Kept off the test's own stdout, which the console would switch to non-blocking writes.
    CRecordingView() : CConsoleView(NullStream(), NullStream()) {}
    static std::FILE* NullStream() {
        static std::FILE* const null = std::fopen("/dev/null", "w");
        return null;
    }
    void AddLine(ServerList l, const std::string& s) override {
        lists[l].push_back(s);
        if (l == ServerList::Log) allLog.push_back(s);
    }
    void ClearList(ServerList l) override {
        lists[l].clear();
        ++clears[l];
    }
    void ShowMessage(const std::string& c, const std::string& t, MessageIcon i) override {
        messages.push_back({c, t, i});
    }
    [[nodiscard]] ControlValues ReadControls() override { return controls; }
    void WriteControls(const ControlValues& v) override { controls = v; }
    void EnableControl(int id, bool on) override { enabled[id] = on; }
    [[nodiscard]] bool IsEnabled(int id) const { return !enabled.count(id) || enabled.at(id); }
    void StartTickTimer(int) override {
        timer = true;
        logAtTimerStart = allLog.size();
    }
    void StopTickTimer() override { timer = false; }
    void ShowOnAir(const OnAirReport& report) override { onAir.push_back(report); }
    void EndRun(int code) override {
        exitCodes.push_back(code);
        timer = false;
    }

    std::map<ServerList, std::vector<std::string>> lists;  // what each list shows now
    std::vector<std::string> allLog;                       // every log line ever added
    std::map<ServerList, int> clears;
    std::vector<RecordedMessage> messages;
    ControlValues controls;
    std::map<int, bool> enabled;
    std::size_t logAtTimerStart = 0;
    bool timer = false;
    std::vector<int> exitCodes;
    std::vector<OnAirReport> onAir;  // every report shown
};

// The simulated interface with its chip kept in eepromFile; opened, if given, learns the port.
inline BusOpener SimBusOpener(const std::string& eepromFile, CSimParallelPort** opened = nullptr) {
    return [eepromFile, opened](uint16_t base) {
        auto port = std::make_unique<CSimParallelPort>();
        port->SetBasePort(base);
        std::string error;
        if (!port->Chip().AttachFile(eepromFile, error)) return PortOpenResult::Failure(error);
        if (opened != nullptr) *opened = port.get();
        PortOpenResult result;
        result.io = std::move(port);
        result.description = "sim:test";
        return result;
    };
}

// The whole of a file; empty if it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A station folder in a temporary directory and the controller that runs it, ticked by hand.
class StationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir = (std::filesystem::temp_directory_path() / "orvane-app-XXXXXX").string();
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    }
    void TearDown() override {
        dlg.reset();  // before the view of the fixture that made it
        std::filesystem::remove_all(dir);
    }
    void Write(const std::string& name, const std::string& s) {
        std::ofstream(dir + '/' + name, std::ios::binary) << s;
    }
    [[nodiscard]] std::string Read(const std::string& name) const { return ReadFile(dir + '/' + name); }
    void Ticks(int count) {
        while (count-- > 0) dlg->OnTick();
    }

    std::string dir;
    CFixedClock clock{CFixedClock::FromLocal(2024, 5, 17, 14, 30, 0, 60)};
    std::unique_ptr<CRdsServerDlg> dlg;
};

class ServerFixture : public StationFixture {
protected:
    // An empty refusal opens the simulated interface; any other stands for a backend that failed.
    void Start(const std::string& refusal = "") {
        if (!refusal.empty()) {
            StartWith("ppdev:/dev/parport9", [refusal](uint16_t) { return PortOpenResult::Failure(refusal); });
            return;
        }
        StartWith("sim", SimBusOpener(dir + "/eeprom.sim", &sim));
    }
    // DEF.INI and RDS.TXT as given, then the simulated interface.
    void StartWithFiles(const std::string& settings, const std::string& commands) {
        Write("DEF.INI", settings);
        Write("RDS.TXT", commands);
        Start();
    }
    void StartWith(const std::string& busName, BusOpener opener) {
        dlg = std::make_unique<CRdsServerDlg>(view, clock,
                                              ServerEnvironment{dir, busName, "sim", std::move(opener), coderOpener});
        dlg->InitMainWindow();
    }
    long CountLog(const std::string& line) const { return std::count(view.allLog.begin(), view.allLog.end(), line); }
    [[nodiscard]] long CountLogStarting(const std::string& prefix) const {
        return std::count_if(view.allLog.begin(), view.allLog.end(),
                             [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }
    // A client of the command port, once its connection stands; bounded so a stuck server fails.
    [[nodiscard]] bool Connect(QTcpSocket& client) const {
        client.connectToHost("127.0.0.1", static_cast<quint16>(dlg->BoundPort()));
        return QTest::qWaitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }, 10000);
    }

    CRecordingView view;
    CSimParallelPort* sim = nullptr;
    CoderOpener coderOpener;  // the serial coder link's port; none unless a test gives one
};

// The groups of the image a chip holds behind its record count, and what a receiver makes of them.
inline rdstest::CTestReceiver Receive(const uint8_t* chip, std::vector<rdstest::Group>& groups) {
    groups = rdstest::DecodeImage(chip + 2, std::min((chip[0] | chip[1] << 8) * 13, CSimEeprom::SIZE - 2));
    rdstest::CTestReceiver receiver;
    receiver.FeedAll(groups);
    EXPECT_EQ(receiver.invalidGroups, 0);
    return receiver;
}

// Either RadioText (A or B) that went on air starts with text, compared in UTF-8.
inline bool RadioTextStartsWith(const rdstest::CTestReceiver& r, const std::string& text) {
    const auto starts = [&](int ab) { return rdstest::RdsToUtf8(r.radioText[ab]).rfind(text, 0) == 0; };
    return (r.radioTextGroups[0] > 0 && starts(0)) || (r.radioTextGroups[1] > 0 && starts(1));
}

// The system picks every test's listening port, so runs never collide.
inline const std::string QUIET_PORT = "[RDS]PORT=0\n";
inline const std::string READ_LINE = "EEPROM lida: 4096 bytes.";
