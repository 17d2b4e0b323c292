// EEPROM synchronisation on the simulated interface: simulated bus time against the
// physical limit of the chip, and the real CPU time the simulation costs.
//
// Physical limit: each write cycle costs the chip's 5 ms, and every line change the bus
// clocks need (written or read back) costs 1.31 us with the default clock delay of 31 counts
// (0.31 us) and 1 us per register access, each status read 1 us more. The limit counts the
// write cycles and the line changes the sync really made, so it holds for page runs, byte
// writes, random and sequential reads alike.
// Arguments: write mode (0 page writes, 1 BYTEWRITE), then 0 fixed write wait, 1 polling.

#include <benchmark/benchmark.h>

#include <vector>

#include "EepromMirror.h"
#include "SimParallelPort.h"

namespace {
constexpr double kLineChangeS = 1.31e-6;
constexpr double kAccessS = 1e-6;
constexpr double kWriteCycleS = 5e-3;
constexpr int kFullRecords = (CSimEeprom::SIZE - EEPROM_HEADER_BYTES) / RECORD_BYTES;  // 314

std::vector<uint8_t> Synthetic(int records, uint32_t seed) {
    std::vector<uint8_t> image(static_cast<size_t>(records) * RECORD_BYTES);
    for (auto& b : image) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    return image;
}

// The bus clocks of one sync from a to b, without its write waits: measured with the fixed
// wait, which adds none, so that polling's own clocks do not count towards the limit.
double TransferClocksS(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, WriteMode mode) {
    CSimParallelPort sim;
    CI2cPort bus(&sim);
    CSilentEepromView view;
    CEepromMirror mirror(bus, view);
    mirror.SetWriteMode(mode);
    mirror.SetEepromSize(CSimEeprom::SIZE);
    (void)mirror.ReadEeprom();
    (void)mirror.SyncEeprom(a.data(), static_cast<int>(a.size()));
    const uint64_t changes = sim.DataWrites();
    const uint64_t status = sim.StatusReads();
    (void)mirror.SyncEeprom(b.data(), static_cast<int>(b.size()), false, VerifyScope::Written);
    return static_cast<double>(sim.DataWrites() - changes) * kLineChangeS +
           static_cast<double>(sim.StatusReads() - status) * kAccessS;
}

// Alternates between two images, so that every iteration writes the same bytes.
void RunSyncs(benchmark::State& state, const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    CSimParallelPort sim;
    CI2cPort bus(&sim);
    bus.SetPollWrite(static_cast<uint8_t>(state.range(1)));
    CSilentEepromView view;
    CEepromMirror mirror(bus, view);
    mirror.SetWriteMode(state.range(0) != 0 ? WriteMode::Byte : WriteMode::Page);
    mirror.SetEepromSize(CSimEeprom::SIZE);
    (void)mirror.ReadEeprom();
    (void)mirror.SyncEeprom(a.data(), static_cast<int>(a.size()));

    const uint64_t startWrites = sim.Chip().WriteCycles();
    const uint64_t startReads = sim.Chip().BytesRead();
    bool second = true;
    uint64_t heldNs = 0;
    for (auto _ : state) {
        const auto& image = second ? b : a;
        // A change of the image is synchronised reading back what it wrote.
        const SyncReport report = mirror.SyncEeprom(image.data(), static_cast<int>(image.size()), false,
                                                    VerifyScope::Written);
        heldNs += report.busHeldNs;
        second = !second;
    }
    const double syncs = static_cast<double>(state.iterations());
    const double busS = static_cast<double>(heldNs) * 1e-9 / syncs;
    const double writes = static_cast<double>(sim.Chip().WriteCycles() - startWrites) / syncs;
    const double reads = static_cast<double>(sim.Chip().BytesRead() - startReads) / syncs;
    const double limitS = writes * kWriteCycleS + TransferClocksS(a, b, mirror.GetWriteMode());
    state.counters["write_cycles"] = writes;
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

void BM_SyncTitleChange(benchmark::State& state) {
    // The shape of a new title on the demo station: 377 bytes over 47 of its 92 pages.
    const std::vector<uint8_t> a = Synthetic(240, 3);
    std::vector<uint8_t> b = a;
    int changed = 0;
    for (int page = 0; page < 47; ++page) {
        const int first = page * 2 * CI2cPort::PAGE_BYTES + 2;  // EEPROM address + 2 inside a page
        for (int i = 0; i < 8 + (page < 1 ? 1 : 0); ++i, ++changed) b[static_cast<size_t>(first + i * 3)] ^= 0x5A;
    }
    state.counters["bytes_changed"] = changed;
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

BENCHMARK(BM_SyncOnePsPage)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SyncTitleChange)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_SyncFullImage)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(4);
