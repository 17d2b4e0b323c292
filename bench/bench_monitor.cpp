// Decoding speed of the monitor: a whole X24C32 of records, as the server decodes the chip
// after a sync that changed it and as --decode reads a file.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "EepromDecoder.h"
#include "RdsModel.h"

namespace {

constexpr int CHIP_BYTES = 4096;

// The chip full of records: many PS pages, both RadioTexts, the clock group.
std::vector<uint8_t> FullChip() {
    CFixedClock clock(CFixedClock::FromLocal(2026, 12, 6, 13, 34, 0, 60));
    CRdsModel model(clock);
    std::string pages;
    for (int n = 0; pages.size() < 900; ++n) pages += "PAGE" + std::to_string(1000 + n) + "|";
    model.ExecuteCommand(("PSN=\"" + pages + "\"").c_str());
    model.ExecuteCommand(("TXT0=\"" + std::string(RADIOTEXT_CHARS, 'A') + "\"").c_str());
    model.ExecuteCommand(("TXT1=\"" + std::string(RADIOTEXT_CHARS, 'B') + "\"").c_str());
    model.ExecuteCommand("GROUP4A=01");
    model.Rebuild();
    const int records = std::min(model.GetRecordCount(), (CHIP_BYTES - EEPROM_HEADER_BYTES) / RECORD_BYTES);
    std::vector<uint8_t> chip(CHIP_BYTES, 0xFF);
    chip[0] = static_cast<uint8_t>(records & 0xFF);
    chip[1] = static_cast<uint8_t>(records >> 8);
    std::copy_n(model.GetImage(), records * RECORD_BYTES, chip.begin() + EEPROM_HEADER_BYTES);
    return chip;
}

void BM_DecodeFullChip(benchmark::State& state) {
    const std::vector<uint8_t> chip = FullChip();
    const std::vector<uint8_t> readBack(CHIP_BYTES, 1);
    for (auto _ : state) {
        EepromDecoding decoding = DecodeEeprom(chip.data(), CHIP_BYTES, readBack.data());
        benchmark::DoNotOptimize(decoding);
    }
    state.counters["records"] = chip[0] | chip[1] << 8;
}
BENCHMARK(BM_DecodeFullChip)->Unit(benchmark::kMicrosecond);

void BM_LinesOfFullChip(benchmark::State& state) {
    const std::vector<uint8_t> chip = FullChip();
    const OnAirReport report = DecodeEeprom(chip.data(), CHIP_BYTES).report;
    for (auto _ : state) {
        std::vector<std::string> lines = OnAirLines(report);
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_LinesOfFullChip)->Unit(benchmark::kMicrosecond);

}  // namespace
