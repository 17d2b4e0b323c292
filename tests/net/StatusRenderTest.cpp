// The status page's renderings of one snapshot: the map image read back pixel by pixel as any
// BMP reader would, the JSON read back with a JSON parser, and the HTML's escaping.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "StatusRender.h"

namespace {

uint32_t Le(const std::vector<uint8_t>& b, std::size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    return v;
}

// The colour at (x, y), y counted from the top, of a 4-bit bottom-up BMP with its palette.
std::tuple<int, int, int> Pixel(const std::vector<uint8_t>& bmp, int x, int y) {
    const auto width = static_cast<int>(Le(bmp, 18, 4));
    const auto height = static_cast<int>(Le(bmp, 22, 4));
    const std::size_t dataAt = Le(bmp, 10, 4);
    const int stride = ((width * 4 + 31) / 32) * 4;  // BMP rows are padded to 32 bits
    const std::size_t byteAt = dataAt + static_cast<std::size_t>((height - 1 - y) * stride + x / 2);
    const int index = x % 2 == 0 ? bmp.at(byteAt) >> 4 : bmp.at(byteAt) & 0x0F;
    const std::size_t entry = 14 + 40 + static_cast<std::size_t>(index) * 4;  // blue, green, red, 0
    return {bmp.at(entry + 2), bmp.at(entry + 1), bmp.at(entry)};
}

StatusSnapshot Sample() {
    StatusSnapshot s;
    s.stationName =
        "R\xC1"
        "DIO";  // CP1252 "RÁDIO"
    s.pi = 0xC201;
    s.eepromStates.assign(4096, 0);
    s.log = {"PI=C201 - OK", "<script>alert(1)</script> & \"x\""};
    s.ticks = 42;
    s.time = "2026-12-07 10:00:00";
    return s;
}

}  // namespace

TEST(StatusMap, EachStateShowsInTheWindowsColourAtItsAddress) {
    std::vector<uint8_t> states(4096, 0);
    // Address, state code, and the colour of that state in the window's map.
    const std::tuple<int, uint8_t, std::tuple<int, int, int>> rows[] = {
        {0, 0, {20, 200, 20}},    {1, 1, {200, 200, 0}},        {2, 2, {0, 0, 255}},
        {259, 3, {255, 0, 0}},    {260, 4, {255, 100, 100}},    {261, 5, {255, 0, 200}},
        {3000, 6, {255, 255, 0}}, {4095, 255, {255, 255, 255}}, {1234, 77, {255, 255, 255}},
    };
    for (const auto& [address, state, colour] : rows) states[static_cast<std::size_t>(address)] = state;
    const std::vector<uint8_t> bmp = EepromMapBmp(states);

    ASSERT_EQ(bmp.at(0), 'B');
    ASSERT_EQ(bmp.at(1), 'M');
    EXPECT_EQ(Le(bmp, 2, 4), bmp.size());
    EXPECT_EQ(Le(bmp, 18, 4), 260u);
    EXPECT_EQ(Le(bmp, 22, 4), 16u);  // 4096 addresses fill 15 rows and 196 of the 16th
    EXPECT_EQ(Le(bmp, 28, 2), 4u);
    for (const auto& [address, state, colour] : rows) {
        EXPECT_EQ(Pixel(bmp, address % 260, address / 260), colour) << "address " << address;
    }
    // The last row past the chip's end is grey, as the window shows positions outside the EEPROM.
    EXPECT_EQ(Pixel(bmp, 4096 % 260, 15), std::make_tuple(100, 100, 100));
    EXPECT_EQ(Pixel(bmp, 259, 15), std::make_tuple(100, 100, 100));
}

TEST(StatusMap, RowsFollowTheChipSize) {
    const std::tuple<int, int> rows[] = {{0, 1}, {1, 1}, {260, 1}, {261, 2}, {2048, 8}, {32759, 126}};
    for (const auto& [size, expectedRows] : rows) {
        EXPECT_EQ(MapRows(size), expectedRows) << size;
        const std::vector<uint8_t> bmp = EepromMapBmp(std::vector<uint8_t>(static_cast<std::size_t>(size), 2));
        EXPECT_EQ(Le(bmp, 22, 4), static_cast<uint32_t>(expectedRows)) << size;
        EXPECT_EQ(bmp.size(), 14u + 40u + 9u * 4u + 132u * static_cast<uint32_t>(expectedRows)) << size;
    }
}

TEST(StatusJson, CarriesEveryFieldAndNullForWhatIsNotKnown) {
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(StatusJson(Sample()))).object();
    EXPECT_EQ(o["station"]["name"].toString(), QString::fromUtf8("RÁDIO"));
    EXPECT_EQ(o["station"]["pi"].toString(), "C201");
    EXPECT_TRUE(o["onAir"].isNull());
    EXPECT_TRUE(o["lastSync"].isNull());
    EXPECT_TRUE(o["client"].isNull());
    EXPECT_EQ(o["ticks"].toInt(), 42);
    EXPECT_EQ(o["log"].toArray().size(), 2);
    EXPECT_EQ(o["log"][1].toString(), "<script>alert(1)</script> & \"x\"");
    EXPECT_EQ(o["eeprom"]["size"].toInt(), 4096);
    EXPECT_EQ(o["eeprom"]["counts"]["inStep"].toInt(), 4096);
    EXPECT_EQ(QByteArray::fromBase64(o["eeprom"]["states"].toString().toLatin1()), QByteArray(4096, '\0'));
}

TEST(StatusJson, OnAirFieldsAndTheLastSync) {
    StatusSnapshot s = Sample();
    StatusOnAir onAir;
    onAir.pi = 0xC201;
    onAir.psPages = {"ORVANE  ", "CAN\xC7\xC3O  "};  // CP1252 "CANÇÃO"
    onAir.radioText[1] = "Agora: m\xFAsica";
    onAir.rtPlus[1] = "ITEM.TITLE \"m\xFAsica\"";
    onAir.afKhz = {97400, 101200};
    s.onAir = onAir;
    s.lastSync = StatusSync{"2026-12-07 10:00:15", 117, 2};
    s.eepromStates = {0, 2, 2, 5, 255, 6};
    s.client = "07-12-2026+10:00:0000 # 127.0.0.1 @ 40000";

    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(StatusJson(s))).object();
    const QJsonObject air = o["onAir"].toObject();
    EXPECT_EQ(air["pi"].toString(), "C201");
    EXPECT_EQ(air["ps"].toArray(), QJsonArray({"ORVANE  ", QString::fromUtf8("CANÇÃO  ")}));
    EXPECT_TRUE(air["radioText"][0].isNull());
    EXPECT_EQ(air["radioText"][1].toString(), QString::fromUtf8("Agora: música"));
    EXPECT_TRUE(air["rtPlus"][0].isNull());
    EXPECT_EQ(air["rtPlus"][1].toString(), QString::fromUtf8("ITEM.TITLE \"música\""));
    EXPECT_TRUE(air["clock"].isNull());
    EXPECT_EQ(air["afKhz"].toArray(), QJsonArray({97400, 101200}));
    EXPECT_EQ(o["lastSync"]["bytesChanged"].toInt(), 117);
    EXPECT_EQ(o["lastSync"]["failures"].toInt(), 2);
    EXPECT_EQ(o["client"].toString(), "07-12-2026+10:00:0000 # 127.0.0.1 @ 40000");
    const QJsonObject counts = o["eeprom"]["counts"].toObject();
    EXPECT_EQ(counts["inStep"].toInt(), 1);
    EXPECT_EQ(counts["written"].toInt(), 2);
    EXPECT_EQ(counts["readBackFailed"].toInt(), 1);
    EXPECT_EQ(counts["beyondImage"].toInt(), 1);
    EXPECT_EQ(counts["erased"].toInt(), 1);
}

TEST(StatusHtml, TextsAreEscapedAndConvertedAndMissingFieldsSaySo) {
    StatusSnapshot s = Sample();
    const std::string page = StatusHtml(s);
    EXPECT_NE(page.find("<h1 id=\"station\">RÁDIO</h1>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;x&quot;"), std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("id=\"on-air-absent\""), std::string::npos);
    EXPECT_NE(page.find("http-equiv=\"refresh\""), std::string::npos);

    StatusOnAir onAir;
    onAir.psPages = {"A<B>    "};
    onAir.radioText[0] = "x'y";
    s.onAir = onAir;
    const std::string withAir = StatusHtml(s);
    EXPECT_NE(withAir.find("<span class=\"ps\">A&lt;B&gt;    </span>"), std::string::npos);
    EXPECT_NE(withAir.find("x&#39;y"), std::string::npos);
    EXPECT_EQ(withAir.find("on-air-absent"), std::string::npos);
    EXPECT_EQ(withAir.find("rtplus"), std::string::npos);  // no RT+ line for a text sent without tags
    onAir.rtPlus[0] = "ITEM.ARTIST \"<x>\"";
    s.onAir = onAir;
    EXPECT_NE(StatusHtml(s).find("<span id=\"rtplus0\" class=\"rt\">ITEM.ARTIST &quot;&lt;x&gt;&quot;</span>"),
              std::string::npos);
}
