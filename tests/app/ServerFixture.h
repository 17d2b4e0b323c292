#pragma once
// A station folder in a temporary directory, a recording view, a fixed clock and the
// simulated interface with its EEPROM file; the tick is called by hand.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "RdsServerDlg.h"
#include "RecordingView.h"
#include "SimParallelPort.h"

class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvane-app-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        clock.Set(CFixedClock::FromLocal(2024, 5, 17, 14, 30, 0, 60));
    }

    void TearDown() override {
        dlg.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream out(std::filesystem::path(dir) / name, std::ios::binary);
        out << text;
    }

    // A 4096-byte chip file the server reads at its first tick.
    void WriteChip(const std::array<uint8_t, CSimEeprom::SIZE>& bytes) {
        std::ofstream out(std::filesystem::path(dir) / "eeprom.sim", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    void Start(const std::string& refusal = "") {
        std::unique_ptr<CSimParallelPort> port;
        if (refusal.empty()) {
            port = std::make_unique<CSimParallelPort>();
            std::string error;
            ASSERT_TRUE(port->Chip().AttachFile((std::filesystem::path(dir) / "eeprom.sim").string(), error))
                << error;
            sim = port.get();
        }
        ServerEnvironment env;
        env.workDir = dir;
        env.busName = refusal.empty() ? "sim:test" : "ppdev:/dev/parport9";
        env.busRefusal = refusal;
        dlg = std::make_unique<CRdsServerDlg>(view, clock, env, std::move(port));
        dlg->InitMainWindow();
    }

    void Ticks(int count) {
        for (int i = 0; i < count; ++i) dlg->OnTick();
    }

    [[nodiscard]] int CountLog(const std::string& line) {
        int n = 0;
        for (const auto& l : view.AllLog()) n += l == line ? 1 : 0;
        return n;
    }

    std::string dir;
    CFixedClock clock;
    CRecordingView view;
    CSimParallelPort* sim = nullptr;
    std::unique_ptr<CRdsServerDlg> dlg;
};

// Every test folder listens on a port the system picks, so runs never collide.
inline const std::string QUIET_PORT = "[RDS]PORT=0\n";
