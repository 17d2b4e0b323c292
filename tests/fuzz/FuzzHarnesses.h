#pragma once
// One entry per reader of outside input, each taking any bytes. A harness returns normally
// when the reader coped and aborts with a line on stderr when a promise was broken; libFuzzer
// drives them in the fuzz build, the corpus replay test in the ordinary one.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

using FuzzHarness = int (*)(const uint8_t* data, size_t size);

struct NamedHarness {
    std::string_view name;  // also the folder of its corpus under tests/fuzz/corpus
    FuzzHarness run;
};

int FuzzCommandLine(const uint8_t* data, size_t size);    // command lines, one per LF
int FuzzCommandFile(const uint8_t* data, size_t size);    // RDS.TXT
int FuzzConfig(const uint8_t* data, size_t size);         // DEF.INI
int FuzzTimeClients(const uint8_t* data, size_t size);    // TIMECLI.TXT
int FuzzTitleFile(const uint8_t* data, size_t size);      // the player's status file
int FuzzNetReceive(const uint8_t* data, size_t size);     // TCP receives, cut as byte 0 says
int FuzzEepromContent(const uint8_t* data, size_t size);  // a foreign or corrupt EEPROM

[[nodiscard]] std::span<const NamedHarness> AllHarnesses();
