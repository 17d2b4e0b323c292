#include "StatusRender.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdio>

#include "Cp1252.h"
#include "EepromStateColours.h"

namespace {

// The map's palette: index 0..6 the state codes, 7 beyond the image, 8 outside the chip.
constexpr int PALETTE_BEYOND = 7;
constexpr int PALETTE_OUTSIDE = 8;
constexpr int PALETTE_SIZE = 9;

int PaletteIndex(uint8_t state) { return state <= 6 ? state : PALETTE_BEYOND; }

QString Text(const std::string& cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252)); }

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The names JSON readers count the map's states by.
struct StateName {
    int index;
    const char* name;
};
constexpr std::array<StateName, 8> STATE_NAMES{{{0, "inStep"},
                                                {1, "readAfterFailures"},
                                                {2, "written"},
                                                {3, "writtenAfterFailures"},
                                                {4, "unused"},
                                                {5, "readBackFailed"},
                                                {6, "erased"},
                                                {PALETTE_BEYOND, "beyondImage"}}};

QJsonValue OnAirJson(const std::optional<StatusOnAir>& onAir) {
    if (!onAir) return QJsonValue::Null;
    QJsonObject o;
    o["pi"] = onAir->pi ? QJsonValue(QString::fromStdString(HexWord(*onAir->pi))) : QJsonValue::Null;
    QJsonArray pages;
    for (const std::string& page : onAir->psPages) pages.append(Text(page));
    o["ps"] = pages;
    QJsonArray texts;
    for (const auto& text : onAir->radioText) texts.append(text ? QJsonValue(Text(*text)) : QJsonValue::Null);
    o["radioText"] = texts;
    QJsonArray tags;
    for (const auto& text : onAir->rtPlus) tags.append(text ? QJsonValue(Text(*text)) : QJsonValue::Null);
    o["rtPlus"] = tags;
    o["clock"] = onAir->clock ? QJsonValue(Text(*onAir->clock)) : QJsonValue::Null;
    QJsonArray af;
    for (const int khz : onAir->afKhz) af.append(khz);
    o["afKhz"] = af;
    return o;
}

QJsonObject EepromJson(const std::vector<uint8_t>& states) {
    std::array<int, PALETTE_SIZE> counts{};
    for (const uint8_t state : states) ++counts[static_cast<size_t>(PaletteIndex(state))];
    QJsonObject countObject;
    for (const StateName& s : STATE_NAMES) countObject[s.name] = counts[static_cast<size_t>(s.index)];
    QJsonObject o;
    o["size"] = static_cast<int>(states.size());
    o["counts"] = countObject;
    const QByteArray raw(reinterpret_cast<const char*>(states.data()), static_cast<qsizetype>(states.size()));
    o["states"] = QString::fromLatin1(raw.toBase64());
    return o;
}

}  // namespace

int MapRows(int eepromSize) {
    const int positions = std::clamp(eepromSize, 1, MAP_POSITIONS);
    return (positions + MAP_COLUMNS - 1) / MAP_COLUMNS;
}

std::vector<uint8_t> EepromMapBmp(const std::vector<uint8_t>& states) {
    constexpr int width = MAP_COLUMNS;
    const int height = MapRows(static_cast<int>(states.size()));
    constexpr int stride = ((width + 1) / 2 + 3) / 4 * 4;  // two pixels a byte, rows padded to 4 bytes
    constexpr int headerBytes = 14 + 40 + 4 * PALETTE_SIZE;
    const int fileBytes = headerBytes + stride * height;

    std::vector<uint8_t> out;
    out.reserve(fileBytes);
    out.push_back('B');
    out.push_back('M');
    PutLe(out, fileBytes, 4);
    PutLe(out, 0, 4);
    PutLe(out, headerBytes, 4);
    // BITMAPINFOHEADER: positive height stores the bottom row first.
    PutLe(out, 40, 4);
    PutLe(out, width, 4);
    PutLe(out, height, 4);
    PutLe(out, 1, 2);
    PutLe(out, 4, 2);
    PutLe(out, 0, 4);  // no compression
    PutLe(out, static_cast<uint32_t>(stride * height), 4);
    PutLe(out, 2835, 4);  // 72 dpi
    PutLe(out, 2835, 4);
    PutLe(out, PALETTE_SIZE, 4);
    PutLe(out, 0, 4);
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        const MapColour c = i == PALETTE_OUTSIDE
                                ? MAP_OUTSIDE_COLOUR
                                : EepromStateColour(i == PALETTE_BEYOND ? 255 : static_cast<uint8_t>(i));
        out.insert(out.end(), {c.blue, c.green, c.red, 0});
    }
    for (int row = height - 1; row >= 0; --row) {
        std::array<uint8_t, stride> line{};
        for (int column = 0; column < width; ++column) {
            const int address = row * width + column;
            int index = PALETTE_OUTSIDE;
            if (address < static_cast<int>(states.size()) && address < MAP_POSITIONS) {
                index = PaletteIndex(states[static_cast<size_t>(address)]);
            }
            line[static_cast<size_t>(column / 2)] |= static_cast<uint8_t>(column % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

std::string HexWord(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

std::string HtmlEscape(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.push_back(c);
            break;
        }
    }
    return out;
}

std::string StatusJson(const StatusSnapshot& s) {
    QJsonObject station;
    station["name"] = Text(s.stationName);
    station["pi"] = QString::fromStdString(HexWord(s.pi));
    QJsonObject root;
    root["station"] = station;
    root["time"] = Text(s.time);
    root["ticks"] = static_cast<qint64>(s.ticks);
    root["onAir"] = OnAirJson(s.onAir);
    root["eeprom"] = EepromJson(s.eepromStates);
    if (s.lastSync) {
        QJsonObject sync;
        sync["time"] = Text(s.lastSync->time);
        sync["bytesChanged"] = s.lastSync->bytesChanged;
        sync["failures"] = s.lastSync->failures;
        root["lastSync"] = sync;
    } else {
        root["lastSync"] = QJsonValue::Null;
    }
    root["client"] = s.client.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(Text(s.client));
    QJsonArray log;
    for (const std::string& line : s.log) log.append(Text(line));
    root["log"] = log;
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}
