#include "WindowPainting.h"

#include <algorithm>
#include <array>

#include "EepromStateColours.h"

namespace {

constexpr QRgb Rgb(MapColour c) {
    return 0xFF000000U | (static_cast<QRgb>(c.red) << 16) | (static_cast<QRgb>(c.green) << 8) | c.blue;
}

constexpr std::array<QRgb, 256> StateColours() {
    std::array<QRgb, 256> colours{};
    for (int state = 0; state < 256; ++state) colours[state] = Rgb(EepromStateColour(static_cast<uint8_t>(state)));
    return colours;
}

constexpr std::array<QRgb, 256> STATE_COLOURS = StateColours();
static_assert(MAP_OUTSIDE_CHIP == Rgb(MAP_OUTSIDE_COLOUR));

constexpr int BAND_START = 50;
constexpr int BAND_BLUE = 100;
constexpr int BANDS = 100;

}  // namespace

QRgb MapStateColour(uint8_t state) { return STATE_COLOURS[state]; }

QImage NewEepromMapImage() {
    QImage image(EepromMap::WIDTH, EepromMap::HEIGHT, QImage::Format_RGB32);
    image.fill(STATE_COLOURS[255]);
    return image;
}

void PaintEepromMap(QImage& image, const uint8_t* states, int eepromSize) {
    const int inChip = std::clamp(eepromSize, 0, IMAGE_CAPACITY);
    for (int row = 0; row < EepromMap::ROWS; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        const int first = row * EepromMap::COLUMNS;
        const int last = std::min(first + EepromMap::COLUMNS, IMAGE_CAPACITY);
        for (int a = first; a < last; ++a) {
            const QRgb colour = a < inChip ? STATE_COLOURS[states[a]] : MAP_OUTSIDE_CHIP;
            const int x = (a - first) * EepromMap::PIXELS_PER_ADDRESS;
            line[x] = colour;
            line[x + 1] = colour;
        }
    }
}

void PaintBackgroundBands(QPainter& painter, int width, int height) {
    const int band = std::max(1, height / BANDS);
    int c = BAND_START;
    for (int y = 0; y < height; y += band, ++c) {
        painter.fillRect(0, y, width, band, QColor(c % 256, c % 256, BAND_BLUE));
    }
}
