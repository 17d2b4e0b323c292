// Coding speed of the RDS side: a full build at capacity, the minute refresh, one command.

#include <benchmark/benchmark.h>

#include <string>

#include "RdsModel.h"

namespace {

// A clock one minute later at every reading, so each refresh has work to do.
class CAdvancingClock : public IClock {
public:
    ClockReading Read() override {
        const int minutes = m_minutes++;
        return CFixedClock::FromLocal(2026, 12, 6, (minutes / 60) % 24, minutes % 60, 0, 60);
    }

private:
    int m_minutes = 0;
};

void FillToCapacity(CRdsModel& model) {
    std::string pages;
    while (pages.size() < PSN_SOURCE_LIMIT) {
        pages += "ORVANEFM|";
    }
    pages.resize(PSN_SOURCE_LIMIT);
    model.ExecuteCommand(("PSN=\"" + pages + "\"").c_str());
    model.ExecuteCommand(("TXT0=\"" + std::string(RADIOTEXT_CHARS, 'A') + "\"").c_str());
    model.ExecuteCommand(("TXT1=\"" + std::string(RADIOTEXT_CHARS, 'B') + "\"").c_str());
    model.SetPsRepeat(127);
    model.SetGroupFlags(ALL_GROUP_FLAGS);
    model.Rebuild();
}

void BM_BuildImageAtCapacity(benchmark::State& state) {
    CFixedClock clock(CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60));
    CRdsModel model(clock);
    FillToCapacity(model);
    for (auto _ : state) {
        model.BuildImage();
        benchmark::DoNotOptimize(model.GetImage());
    }
    if (model.GetImageLength() != IMAGE_CAPACITY) {
        state.SkipWithError("the image did not fill");
    }
    state.SetBytesProcessed(state.iterations() * IMAGE_CAPACITY);
}
BENCHMARK(BM_BuildImageAtCapacity)->Unit(benchmark::kMicrosecond);

void BM_RefreshClockNextMinute(benchmark::State& state) {
    CAdvancingClock clock;
    CRdsModel model(clock);
    model.ExecuteCommand("PSN=\"ORVANE|FM|%TITLE%\"");
    model.ExecuteCommand(("TXT0=\"" + std::string(RADIOTEXT_CHARS, 'A') + "\"").c_str());
    model.SetGroupFlags(ALL_GROUP_FLAGS);
    model.Rebuild();
    for (auto _ : state) {
        model.RefreshClock();
        benchmark::DoNotOptimize(model.GetImage());
    }
}
BENCHMARK(BM_RefreshClockNextMinute);

void BM_ExecuteCommand(benchmark::State& state) {
    CFixedClock clock;
    CRdsModel model(clock);
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.ExecuteCommand("PI=C201"));
    }
}
BENCHMARK(BM_ExecuteCommand);

}  // namespace
