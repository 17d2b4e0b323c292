#pragma once
// Where the EEPROM map lies in the window's client area and which address a pixel shows.
// The window draws by it and the controller's readout reads by it, so both agree.

#include "RdsTypes.h"

namespace EepromMap {

inline constexpr int LEFT = 420;
inline constexpr int TOP = 345;
inline constexpr int COLUMNS = 260;  // addresses per row, two pixels each
inline constexpr int PIXELS_PER_ADDRESS = 2;
inline constexpr int ROWS = (IMAGE_CAPACITY + COLUMNS - 1) / COLUMNS;
inline constexpr int WIDTH = COLUMNS * PIXELS_PER_ADDRESS;
inline constexpr int HEIGHT = ROWS;
static_assert(ROWS == 126 && LEFT + WIDTH - 1 == 939 && TOP + HEIGHT - 1 == 470);

// The address shown at client pixel (x, y), or -1 off the map (the last row is one short).
[[nodiscard]] constexpr int AddressAt(int x, int y) {
    if (x < LEFT || y < TOP) return -1;
    const int column = (x - LEFT) / PIXELS_PER_ADDRESS;
    const int row = y - TOP;
    if (column >= COLUMNS || row >= ROWS) return -1;
    const int address = row * COLUMNS + column;
    return address < IMAGE_CAPACITY ? address : -1;
}

}  // namespace EepromMap
