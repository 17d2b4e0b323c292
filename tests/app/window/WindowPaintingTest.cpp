// The bands behind the controls and the EEPROM map, read back as pixels of the client area.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "MainWindow.h"
#include "WindowPainting.h"

namespace {

constexpr QRgb GREY = 0xFF646464;

// Codes 0..6, the code of bytes beyond the image and one that no operation sets.
struct StateCase {
    uint8_t state;
    QRgb colour;
};
constexpr StateCase STATE_CASES[] = {
    {0, 0xFF14C814}, {1, 0xFFC8C800}, {2, 0xFF0000FF},   {3, 0xFFFF0000}, {4, 0xFFFF6464},
    {5, 0xFFFF00C8}, {6, 0xFFFFFF00}, {255, 0xFFFFFFFF}, {9, 0xFFFFFFFF},
};

// Address a of the map as (x, y) of the map's own image: two pixels wide, 260 to a row.
QPoint MapPixel(int a) { return {2 * (a % 260), a / 260}; }

std::vector<uint8_t> StatesWithCasesFirst() {
    std::vector<uint8_t> states(IMAGE_CAPACITY, 0);
    for (std::size_t i = 0; i < std::size(STATE_CASES); ++i) states[i] = STATE_CASES[i].state;
    return states;
}

}  // namespace

TEST(WindowPainting, MapColoursEachStateAndGreysWhatLiesBeyondTheChip) {
    const std::vector<uint8_t> states = StatesWithCasesFirst();
    QImage map = NewEepromMapImage();
    ASSERT_EQ(map.size(), QSize(520, 126));
    PaintEepromMap(map, states.data(), 2048);
    for (std::size_t a = 0; a < std::size(STATE_CASES); ++a) {
        const QPoint at = MapPixel(static_cast<int>(a));
        EXPECT_EQ(map.pixel(at), STATE_CASES[a].colour) << a;
        EXPECT_EQ(map.pixel(at + QPoint(1, 0)), STATE_CASES[a].colour) << a;
    }
    // 2048 positions: 7 full rows and 228 of the eighth.
    EXPECT_EQ(map.pixel(455, 7), 0xFF14C814u);  // address 2047
    EXPECT_EQ(map.pixel(456, 7), GREY);         // address 2048
    EXPECT_EQ(map.pixel(519, 6), 0xFF14C814u);  // address 1819, end of the seventh row
    EXPECT_EQ(map.pixel(516, 125), GREY);       // address 32758, the last
    int inChip = 0;
    for (int a = 0; a < IMAGE_CAPACITY; ++a) inChip += map.pixel(MapPixel(a)) != GREY;
    EXPECT_EQ(inChip, 2048);
}

TEST(WindowPainting, SizesOutsideTheArraysNeitherWriteOutsideNorLoopForLong) {
    const std::vector<uint8_t> states(IMAGE_CAPACITY, 2);
    QImage map = NewEepromMapImage();
    PaintEepromMap(map, states.data(), -0x7FFFFFFF);
    EXPECT_EQ(map.pixel(0, 0), GREY);
    EXPECT_EQ(map.pixel(516, 125), GREY);
    PaintEepromMap(map, states.data(), 0x7FFFFFFF);
    EXPECT_EQ(map.pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(map.pixel(516, 125), 0xFF0000FFu);
}

TEST(WindowPainting, BandsLightenOneStepPerHundredthOfTheHeightAndAreNeverThinnerThanAPixel) {
    const struct {
        int height;
        int y;
        QRgb colour;
    } cases[] = {
        {492, 0, 0xFF323264}, {492, 3, 0xFF323264},
        {492, 4, 0xFF333364}, {492, 491, 0xFFACAC64},  // 123 bands of 4: the last is (172, 172, 100)
        {50, 0, 0xFF323264},  {50, 1, 0xFF333364},
        {50, 49, 0xFF636364}, {300, 299, 0xFF959564},
    };
    for (const auto& c : cases) {
        QImage area(10, c.height, QImage::Format_RGB32);
        area.fill(Qt::black);
        QPainter painter(&area);
        PaintBackgroundBands(painter, area.width(), area.height());
        painter.end();
        EXPECT_EQ(area.pixel(9, c.y), c.colour) << c.height << " " << c.y;
    }
}

TEST(WindowPainting, WindowShowsBandsAndTheMapAtItsClientPixels) {
    CMainWindow window;
    const std::vector<uint8_t> states = StatesWithCasesFirst();
    window.DrawEepromMap(states.data(), 2048);
    const QImage client = window.grab().toImage();
    ASSERT_EQ(client.size(), QSize(955, 492));
    for (std::size_t a = 0; a < std::size(STATE_CASES); ++a) {
        EXPECT_EQ(client.pixel(420 + 2 * static_cast<int>(a), 345), STATE_CASES[a].colour) << a;
        EXPECT_EQ(client.pixel(421 + 2 * static_cast<int>(a), 345), STATE_CASES[a].colour) << a;
    }
    EXPECT_EQ(client.pixel(420 + 455, 345 + 7), 0xFF14C814u);
    EXPECT_EQ(client.pixel(420 + 456, 345 + 7), GREY);
    EXPECT_EQ(client.pixel(937, 470), GREY);
    // Right of every control: the bands alone.
    EXPECT_EQ(client.pixel(950, 0), 0xFF323264u);
    EXPECT_EQ(client.pixel(950, 491), 0xFFACAC64u);
}
