#pragma once
// The colours of the EEPROM map's state codes, the same in the window and on the status page.

#include <array>
#include <cstdint>

struct MapColour {
    uint8_t red, green, blue;
};

// In step, read after failed reads, written, written after failed writes, (set by nothing),
// read-back failed, erased; any other code lies beyond the image.
inline constexpr std::array<MapColour, 7> EEPROM_STATE_COLOURS{{
    {20, 200, 20},
    {200, 200, 0},
    {0, 0, 255},
    {255, 0, 0},
    {255, 100, 100},
    {255, 0, 200},
    {255, 255, 0},
}};
inline constexpr MapColour MAP_BEYOND_COLOUR{255, 255, 255};
inline constexpr MapColour MAP_OUTSIDE_COLOUR{100, 100, 100};  // positions past the chip's size

[[nodiscard]] constexpr MapColour EepromStateColour(uint8_t state) {
    return state < EEPROM_STATE_COLOURS.size() ? EEPROM_STATE_COLOURS[state] : MAP_BEYOND_COLOUR;
}
