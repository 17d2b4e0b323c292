#pragma once
// What the status page shows: a plain copy of the controller's state, handed over once a
// tick. Texts are CP1252 bytes, as everywhere in the core; the page converts them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a receiver decodes from the image the EEPROM holds, field by field.
struct StatusOnAir {
    std::optional<uint16_t> pi;                           // unset: no intact group
    std::vector<std::string> psPages;                     // 8 characters each, in loop order
    std::array<std::optional<std::string>, 2> radioText;  // by the A/B flag; unset when not sent
    std::array<std::optional<std::string>, 2> rtPlus;     // that RadioText's RT+ tags, as one line
    std::optional<std::string> clock;                     // "2026-12-07 17:45 +01:00"
    std::vector<int> afKhz;                               // alternative frequencies in kHz
};

struct StatusSync {
    std::string time;  // local "YYYY-MM-DD HH:MM:SS" of the sync
    int bytesChanged = 0;
    int failures = 0;  // bytes read back wrong or not at all
};

struct StatusSnapshot {
    std::string stationName;            // the first PS page the station typed
    uint16_t pi = 0;                    // the PI the model codes
    std::optional<StatusOnAir> onAir;   // unset until a decoder has read the image
    std::vector<uint8_t> eepromStates;  // one state code per EEPROM address
    std::optional<StatusSync> lastSync;
    std::string client;            // the command client's connection line; empty when none
    std::vector<std::string> log;  // the last log lines, oldest first
    int64_t ticks = 0;             // ticks since start: a page that stops counting is stale
    std::string time;              // local time of the snapshot
};
