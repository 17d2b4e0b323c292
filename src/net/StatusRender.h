#pragma once
// The status page's two answers, made from a snapshot: the HTML page a browser shows and the
// same facts as JSON. Both are UTF-8. Pure functions: the server renders once per snapshot.

#include <cstdint>
#include <string>
#include <vector>

#include "StatusSnapshot.h"

inline constexpr int MAP_COLUMNS = 260;      // the window's map: 260 positions a row
inline constexpr int MAP_POSITIONS = 32759;  // every address the image can reach
inline constexpr int STATUS_REFRESH_SECONDS = 5;

[[nodiscard]] std::string StatusHtml(const StatusSnapshot& snapshot);
[[nodiscard]] std::string StatusJson(const StatusSnapshot& snapshot);

// The EEPROM map as a 4-bit BMP, MAP_COLUMNS wide, one pixel per address, address 0 at the top
// left; as many rows as the chip fills, the rest of the last row grey.
[[nodiscard]] std::vector<uint8_t> EepromMapBmp(const std::vector<uint8_t>& states);
[[nodiscard]] int MapRows(int eepromSize);

// A PI as the station writes it: four hex digits, capitals.
[[nodiscard]] std::string HexWord(uint16_t value);

// &, <, >, " and ' as entities, for text inside elements and attributes.
[[nodiscard]] std::string HtmlEscape(const std::string& utf8);
