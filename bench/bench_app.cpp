// The controller's tick on the demo station with the simulated chip in memory: an ordinary
// second, and the fifteenth with its clock refresh, EEPROM sync and dump.

#include <benchmark/benchmark.h>

#include "BenchStation.h"

namespace {

void BM_OrdinaryTick(benchmark::State& state) {
    App();
    BenchStation station;
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
    BenchStation station;
    for (auto _ : state) {
        state.PauseTiming();
        while (station.dlg->TicksUntilSync() > 1) station.dlg->OnTick();
        state.ResumeTiming();
        station.dlg->OnTick();
    }
}
BENCHMARK(BM_FifteenthTick)->Unit(benchmark::kMillisecond);

}  // namespace
