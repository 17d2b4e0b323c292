#pragma once
// The demo station copied into a temporary folder and run by the real controller on the
// simulated chip in memory, with a fixed clock; the benches call the tick themselves.

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ConsoleView.h"
#include "RdsServerDlg.h"
#include "SimPortOpen.h"

// The one application object of a bench run; any window in it draws offscreen unless told otherwise.
template <class Application = QCoreApplication>
Application& App() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static Application app(argc, argv);
    return app;
}

// The console view without its output, so the figures are the controller's alone.
class CSilentView : public CConsoleView {
public:
    void AddLine(ServerList, const std::string&) override {}
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    void StartTickTimer(int) override {}
    void StopTickTimer() override {}
    void EndRun(int) override {}
};

// The demo's station files in a fresh folder, its DEF.INI ending with extraIni; removed with the object.
struct DemoFolder {
    explicit DemoFolder(const std::string& extraIni = "") {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "orvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        for (const char* name : {"DEF.INI", "RDS.TXT", "STATUS.HTM"}) {
            fs::copy_file(fs::path(__FILE__).parent_path().parent_path() / "demo" / name, dir / name);
        }
        // No listening port of the demo's own: the system picks one, so runs never collide.
        std::ofstream(dir / "DEF.INI", std::ios::app) << "\n[RDS]PORT=0\n" << extraIni;
    }
    ~DemoFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    DemoFolder(const DemoFolder&) = delete;
    DemoFolder& operator=(const DemoFolder&) = delete;

    // The controller's surroundings: this folder and the simulated interface.
    [[nodiscard]] ServerEnvironment Environment() const {
        ServerEnvironment env;
        env.workDir = dir.string();
        env.openBus = [](uint16_t base) { return OpenSimPort("", "", base); };
        return env;
    }

    std::filesystem::path dir;
};

// The controller on the demo folder with the silent console, past its first tick (title and
// the first EEPROM read).
struct BenchStation {
    explicit BenchStation(const std::string& extraIni = "") : folder(extraIni) {
        dlg = std::make_unique<CRdsServerDlg>(view, clock, folder.Environment());
        dlg->InitMainWindow();
        dlg->OnTick();
    }
    DemoFolder folder;
    CFixedClock clock{CFixedClock::FromLocal(2024, 5, 17, 14, 30, 0, 60)};
    CSilentView view;
    std::unique_ptr<CRdsServerDlg> dlg;  // last, so it goes before its folder
};
