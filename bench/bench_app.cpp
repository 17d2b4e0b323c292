// The controller's tick on the demo station with the simulated chip in memory: an ordinary
// second, and the fifteenth with its clock refresh, EEPROM sync and dump.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "ConsoleView.h"
#include "RdsServerDlg.h"
#include "SimPortOpen.h"

namespace fs = std::filesystem;

namespace {

// The console view without its output, so the figures are the controller's alone.
class CSilentView : public CConsoleView {
public:
    void AddLine(ServerList, const std::string&) override {}
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    void StartTickTimer(int) override {}
    void StopTickTimer() override {}
    void EndRun(int) override {}
};

struct Station {
    Station() {
        std::string pattern = (fs::temp_directory_path() / "orvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        for (const char* name : {"DEF.INI", "RDS.TXT", "STATUS.HTM"}) {
            fs::copy_file(fs::path(__FILE__).parent_path().parent_path() / "demo" / name, dir / name);
        }
        std::ofstream(dir / "DEF.INI", std::ios::app) << "\n[RDS]PORT=0\n";
        ServerEnvironment env;
        env.workDir = dir.string();
        env.openBus = [](uint16_t base) { return OpenSimPort("", "", base); };
        dlg = std::make_unique<CRdsServerDlg>(view, clock, env);
        dlg->InitMainWindow();
        dlg->OnTick();  // title and the first EEPROM read
    }
    ~Station() {
        dlg.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    CFixedClock clock{CFixedClock::FromLocal(2024, 5, 17, 14, 30, 0, 60)};
    CSilentView view;
    std::unique_ptr<CRdsServerDlg> dlg;
};

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

void BM_OrdinaryTick(benchmark::State& state) {
    App();
    Station station;
    // One iteration is the fourteen ordinary ticks between two syncs; the sync stays outside.
    constexpr int kOrdinaryTicks = CRdsServerDlg::SYNC_TICKS - 1;
    for (auto _ : state) {
        state.PauseTiming();
        while (station.dlg->TicksUntilSync() != CRdsServerDlg::SYNC_TICKS) station.dlg->OnTick();
        state.ResumeTiming();
        for (int i = 0; i < kOrdinaryTicks; ++i) station.dlg->OnTick();
    }
    state.counters["per_tick"] = benchmark::Counter(static_cast<double>(state.iterations()) * kOrdinaryTicks,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_OrdinaryTick);

void BM_FifteenthTick(benchmark::State& state) {
    App();
    Station station;
    for (auto _ : state) {
        state.PauseTiming();
        while (station.dlg->TicksUntilSync() > 1) station.dlg->OnTick();
        state.ResumeTiming();
        station.dlg->OnTick();
    }
}
BENCHMARK(BM_FifteenthTick)->Unit(benchmark::kMillisecond);

}  // namespace
