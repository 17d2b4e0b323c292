#pragma once
// What the main window paints itself: the background bands and the EEPROM map image.
// Pure drawing on a QPainter or QImage, so the bench and the tests run it without a window.

#include <QImage>
#include <QPainter>

#include <cstdint>

#include "EepromMapGeometry.h"

// The colour of one EEPROM byte's state code on the map.
[[nodiscard]] QRgb MapStateColour(uint8_t state);
inline constexpr QRgb MAP_OUTSIDE_CHIP = 0xFF646464;  // positions beyond the EEPROM's size

// A map image of EepromMap::WIDTH x EepromMap::HEIGHT pixels, filled as for an empty chip.
[[nodiscard]] QImage NewEepromMapImage();
// One state per address up to eepromSize, grey from there; sizes outside 0..IMAGE_CAPACITY
// are taken as the nearest end.
void PaintEepromMap(QImage& image, const uint8_t* states, int eepromSize);

// Bands one step lighter each, a hundredth of the height tall but never thinner than a pixel.
void PaintBackgroundBands(QPainter& painter, int width, int height);
