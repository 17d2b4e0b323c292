// The window's share of a second: a full EEPROM map redraw (into its image, and onto the
// offscreen window) and an ordinary tick of the controller with the window as its view.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <vector>

#include "BenchStation.h"
#include "MainWindow.h"
#include "WindowPainting.h"

namespace {

// Every state code in turn, so no colour is cheaper than another.
std::vector<uint8_t> MixedStates() {
    std::vector<uint8_t> states(IMAGE_CAPACITY);
    for (std::size_t a = 0; a < states.size(); ++a) states[a] = static_cast<uint8_t>(a % 7);
    return states;
}

void BM_MapImageRedraw(benchmark::State& state) {
    const std::vector<uint8_t> states = MixedStates();
    QImage map = NewEepromMapImage();
    for (auto _ : state) {
        PaintEepromMap(map, states.data(), IMAGE_CAPACITY);
        benchmark::DoNotOptimize(map.constBits());
    }
}
BENCHMARK(BM_MapImageRedraw);

void BM_WindowMapRedraw(benchmark::State& state) {
    App<QApplication>();
    CMainWindow window;
    window.show();
    const std::vector<uint8_t> states = MixedStates();
    for (auto _ : state) window.DrawEepromMap(states.data(), IMAGE_CAPACITY);
}
BENCHMARK(BM_WindowMapRedraw);

void BM_WindowTick(benchmark::State& state) {
    App<QApplication>();
    const DemoFolder folder;
    {
        CMainWindow window;
        CFixedClock clock{CFixedClock::FromLocal(2024, 5, 17, 14, 30, 0, 60)};
        CRdsServerDlg dlg(window, clock, folder.Environment());
        window.Attach(dlg);
        window.show();
        dlg.InitMainWindow();
        window.StopTickTimer();  // the bench calls the tick itself
        dlg.OnTick();            // the first read
        for (auto _ : state) {
            state.PauseTiming();
            // Ordinary seconds only: the fifteenth, with its EEPROM sync, is the hardware's time.
            while (dlg.TicksUntilSync() <= 1) dlg.OnTick();
            state.ResumeTiming();
            dlg.OnTick();
            QCoreApplication::processEvents();  // the paints the tick asked for
        }
    }
}
BENCHMARK(BM_WindowTick);

}  // namespace
