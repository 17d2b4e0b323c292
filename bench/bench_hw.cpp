// EEPROM synchronisation on the simulated interface: simulated bus time against the
// physical limit of the chip, and the real CPU time the simulation costs.
//
// Physical limit: each byte written costs its 5 ms write cycle plus the bus clocks of the
// transfer; each byte read back costs the bus clocks of a random read. With the default
// clock delay of 31 counts (0.31 us) and 1 us per register access a line change costs
// 1.31 us, so:
//   byte write  86 line changes + 4 register reads           = 116.66 us + 5 ms
//   random read 115 line changes + 12 register reads + 0.15 us = 162.80 us

#include <benchmark/benchmark.h>

#include <vector>

#include "EepromMirror.h"
#include "SimParallelPort.h"

namespace {
constexpr double kLineChangeS = 1.31e-6;
constexpr double kAccessS = 1e-6;
constexpr double kWriteS = 86 * kLineChangeS + 4 * kAccessS + 5e-3;
constexpr double kReadS = 115 * kLineChangeS + 12 * kAccessS + 0.15e-6;
constexpr int kFullRecords = (CSimEeprom::SIZE - EEPROM_HEADER_BYTES) / RECORD_BYTES;  // 314

class NullView : public IEepromView {
public:
    void SetProgressRange(int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressColour(BarColour) override {}
    void SetBusyPointer(bool) override {}
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    void DisableEepromControls() override {}
    void DrawEepromMap() override {}
};

std::vector<uint8_t> Synthetic(int records, uint32_t seed) {
    std::vector<uint8_t> image(static_cast<size_t>(records) * RECORD_BYTES);
    for (auto& b : image) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    return image;
}

// Alternates between two images, so that every iteration writes the same bytes.
void RunSyncs(benchmark::State& state, const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    CSimParallelPort sim;
    CI2cPort bus(&sim);
    bus.SetPollWrite(static_cast<uint8_t>(state.range(0)));
    NullView view;
    CEepromMirror mirror(bus, view);
    mirror.SetEepromSize(CSimEeprom::SIZE);
    (void)mirror.ReadEeprom();
    (void)mirror.SyncEeprom(a.data(), static_cast<int>(a.size()));

    const uint64_t startNs = sim.NowNs();
    const uint64_t startWrites = sim.Chip().WriteCycles();
    const uint64_t startReads = sim.Chip().BytesRead();
    bool second = true;
    for (auto _ : state) {
        const auto& image = second ? b : a;
        benchmark::DoNotOptimize(mirror.SyncEeprom(image.data(), static_cast<int>(image.size())));
        second = !second;
    }
    const double syncs = static_cast<double>(state.iterations());
    const double busS = static_cast<double>(sim.NowNs() - startNs) * 1e-9 / syncs;
    const double writes = static_cast<double>(sim.Chip().WriteCycles() - startWrites) / syncs;
    const double reads = static_cast<double>(sim.Chip().BytesRead() - startReads) / syncs;
    const double limitS = writes * kWriteS + reads * kReadS;
    state.counters["bytes_written"] = writes;
    state.counters["bytes_read"] = reads;
    state.counters["sim_bus_s"] = busS;
    state.counters["limit_s"] = limitS;
    state.counters["bus_over_limit"] = busS / limitS;
}

void BM_SyncOnePsPage(benchmark::State& state) {
    // A PS page is four 0A groups; a new page changes block D (bits 78..103) of each.
    const std::vector<uint8_t> a = Synthetic(50, 1);
    std::vector<uint8_t> b = a;
    for (int record = 0; record < 4; ++record) {
        uint8_t* group = &b[static_cast<size_t>(record) * RECORD_BYTES];
        group[9] ^= 0x03;
        for (int i = 10; i < RECORD_BYTES; ++i) group[i] ^= 0x5A;
    }
    RunSyncs(state, a, b);
}

void BM_SyncFullImage(benchmark::State& state) {
    // 4094 bytes offered; the 314 whole records (4082 bytes) behind the count fill the chip.
    std::vector<uint8_t> a = Synthetic(kFullRecords, 2);
    std::vector<uint8_t> b = a;
    for (auto& byte : b) byte = static_cast<uint8_t>(~byte);
    a.resize(CSimEeprom::SIZE - EEPROM_HEADER_BYTES, 0x00);
    b.resize(CSimEeprom::SIZE - EEPROM_HEADER_BYTES, 0x00);
    RunSyncs(state, a, b);
}
}  // namespace

// Argument: 0 fixed write wait, 1 acknowledge polling.
BENCHMARK(BM_SyncOnePsPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SyncFullImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);
