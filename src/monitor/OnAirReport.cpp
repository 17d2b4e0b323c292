#include "OnAirReport.h"

#include <cstdio>

#include "Cp1252.h"

namespace {

// IEC 62106 Annex F, the programme types of the RDS (European) table.
constexpr std::array<const char*, 32> PTY_NAMES = {"None",
                                                   "News",
                                                   "Current affairs",
                                                   "Information",
                                                   "Sport",
                                                   "Education",
                                                   "Drama",
                                                   "Culture",
                                                   "Science",
                                                   "Varied",
                                                   "Pop music",
                                                   "Rock music",
                                                   "Easy listening",
                                                   "Light classical",
                                                   "Serious classical",
                                                   "Other music",
                                                   "Weather",
                                                   "Finance",
                                                   "Children's programmes",
                                                   "Social affairs",
                                                   "Religion",
                                                   "Phone-in",
                                                   "Travel",
                                                   "Leisure",
                                                   "Jazz music",
                                                   "Country music",
                                                   "National music",
                                                   "Oldies music",
                                                   "Folk music",
                                                   "Documentary",
                                                   "Alarm test",
                                                   "Alarm"};

std::string Format(const char* format, auto... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string OffsetText(int offsetMinutes, const char* separator) {
    const int magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    return Format("%c%02d%s%02d", offsetMinutes < 0 ? '-' : '+', magnitude / 60, separator, magnitude % 60);
}

std::string MegahertzText(int khz) { return Format("%d.%d", khz / 1000, khz % 1000 / 100); }

std::string AddressList(const std::vector<int>& addresses) {
    std::string text;
    for (const int address : addresses) text += Format(" 0x%04X", static_cast<unsigned>(address));
    return text;
}

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

// RDS Forum RT+ content types 1..12, the item and info types a music station uses.
constexpr std::array<const char*, 13> RT_PLUS_NAMES = {
    "DUMMY_CLASS",      "ITEM.TITLE",    "ITEM.ALBUM",     "ITEM.TRACKNUMBER", "ITEM.ARTIST",
    "ITEM.COMPOSITION", "ITEM.MOVEMENT", "ITEM.CONDUCTOR", "ITEM.COMPOSER",    "ITEM.BAND",
    "ITEM.COMMENT",     "ITEM.GENRE",    "INFO.NEWS"};

void AddWarnings(const OnAirReport& report, std::vector<std::string>& lines) {
    if (!report.problem.empty()) lines.push_back("WARNING " + report.problem);
    if (!report.badRecords.empty() && report.fromCapture) {
        std::string numbers;
        for (const int line : report.badRecords) numbers += ' ' + std::to_string(line);
        lines.push_back("WARNING " + std::to_string(report.badRecords.size()) +
                        " group(s) with a lost block, not shown, on line(s)" + numbers);
    } else if (!report.badRecords.empty()) {
        lines.push_back("WARNING " + std::to_string(report.badRecords.size()) +
                        " record(s) fail their checkwords, not shown, at" + AddressList(report.badRecords));
    }
    if (!report.unreadRecords.empty()) {
        lines.push_back("WARNING " + std::to_string(report.unreadRecords.size()) +
                        " record(s) not read back from the chip, not shown, at" + AddressList(report.unreadRecords));
    }
}

// ---- JSON ----

std::string JsonString(const std::string& cp1252) {
    std::string out = "\"";
    for (const char c : Cp1252ToUtf8(cp1252)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += Format("\\u%04x", static_cast<unsigned>(c));
        } else {
            out += c;
        }
    }
    return out + '"';
}

const char* JsonBool(bool value) { return value ? "true" : "false"; }

std::string JsonRadioText(const OnAirReport& report) {
    std::string out = "{";
    const char* names[2] = {"A", "B"};
    for (int ab = 0; ab < 2; ++ab) {
        if (!report.radioText[ab]) continue;
        if (out.size() > 1) out += ',';
        out += std::string("\"") + names[ab] + "\":" + JsonString(*report.radioText[ab]);
    }
    return out + '}';
}

std::string JsonRtPlus(const OnAirReport& report) {
    std::string out = "{";
    const char* names[2] = {"A", "B"};
    for (int ab = 0; ab < 2; ++ab) {
        if (!report.rtPlus[ab]) continue;
        const OnAirRtPlus& plus = *report.rtPlus[ab];
        out += std::string(out.size() > 1 ? "," : "") + '"' + names[ab] + "\":{\"running\":" + JsonBool(plus.running) +
               ",\"toggle\":" + JsonBool(plus.toggle) + ",\"tags\":[";
        for (size_t i = 0; i < plus.tags.size(); ++i) {
            out += Format("%s{\"content_type\":%d,\"name\":", i ? "," : "", plus.tags[i].contentType) +
                   JsonString(RtPlusTypeName(plus.tags[i].contentType)) + ",\"text\":" + JsonString(plus.tags[i].text) +
                   '}';
        }
        out += "]}";
    }
    return out + '}';
}

std::string JsonClock(const OnAirClock& c) {
    return Format("\"%04d-%02d-%02dT%02d:%02d:00", c.year, c.month, c.day, c.hour, c.minute) +
           OffsetText(c.offsetMinutes, ":") + '"';
}

std::string JsonNumbers(const std::vector<int>& numbers) {
    std::string out = "[";
    for (size_t i = 0; i < numbers.size(); ++i) out += (i ? "," : "") + std::to_string(numbers[i]);
    return out + ']';
}

}  // namespace

std::string RtPlusTypeName(int contentType) {
    if (contentType >= 0 && contentType < static_cast<int>(RT_PLUS_NAMES.size())) {
        return RT_PLUS_NAMES[static_cast<size_t>(contentType)];
    }
    return "TYPE " + std::to_string(contentType);
}

std::string RtPlusText(const OnAirRtPlus& rtPlus) {
    std::string text;
    for (const OnAirRtPlusTag& tag : rtPlus.tags) {
        text += (text.empty() ? "" : " ") + RtPlusTypeName(tag.contentType) + ' ' + Quoted(tag.text);
    }
    if (text.empty()) text = "no tags";
    return text + (rtPlus.running ? "" : " (no item running)");
}

const char* ProgrammeTypeName(int pty) { return PTY_NAMES.at(static_cast<size_t>(pty & 0x1F)); }

std::vector<std::string> OnAirLines(const OnAirReport& report) {
    std::vector<std::string> lines;
    if (!report.pi) {
        if (report.problem.empty()) {
            lines.push_back("no intact group among " + std::to_string(report.groups) + " record(s)");
        }
        AddWarnings(report, lines);
        return lines;
    }
    lines.push_back(Format("PI %04X PTY %d TP %d TA %d MS %d DI %d", *report.pi, report.pty, report.tp ? 1 : 0,
                           report.ta ? 1 : 0, report.ms ? 1 : 0, report.di));
    if (!report.psPages.empty()) {
        std::string line = "PS";
        for (const std::string& page : report.psPages) line += ' ' + Quoted(page);
        lines.push_back(line);
    }
    const char* flags[2] = {"RT A ", "RT B "};
    for (int ab = 0; ab < 2; ++ab) {
        if (report.radioText[ab]) lines.push_back(flags[ab] + Quoted(*report.radioText[ab]));
    }
    const char* plusFlags[2] = {"RT+ A ", "RT+ B "};
    for (int ab = 0; ab < 2; ++ab) {
        if (report.rtPlus[ab]) lines.push_back(plusFlags[ab] + RtPlusText(*report.rtPlus[ab]));
    }
    if (report.clock) {
        const OnAirClock& c = *report.clock;
        lines.push_back(Format("CT %04d-%02d-%02d %02d:%02d ", c.year, c.month, c.day, c.hour, c.minute) +
                        OffsetText(c.offsetMinutes, ":"));
    }
    if (!report.afKhz.empty()) {
        std::string line = "AF";
        for (const int khz : report.afKhz) line += ' ' + MegahertzText(khz);
        lines.push_back(line);
    }
    if (report.item) {
        lines.push_back(Format("PIN day %d %02d:%02d", report.item->day, report.item->hour, report.item->minute));
    }
    AddWarnings(report, lines);
    return lines;
}

std::string OnAirJson(const OnAirReport& report) {
    std::string out = "{";
    if (report.pi) {
        out += Format("\"pi\":\"0x%04X\",", *report.pi);
        out += Format("\"pty\":%d,", report.pty);
        out += "\"prog_type\":" + JsonString(ProgrammeTypeName(report.pty)) + ',';
        out += std::string("\"tp\":") + JsonBool(report.tp) + ",\"ta\":" + JsonBool(report.ta) +
               ",\"is_music\":" + JsonBool(report.ms) + ',';
        out += Format("\"di\":%d,", report.di);
        out += "\"ps\":[";
        for (size_t i = 0; i < report.psPages.size(); ++i) out += (i ? "," : "") + JsonString(report.psPages[i]);
        out += "],\"radiotext\":" + JsonRadioText(report) + ',';
        if (report.rtPlus[0] || report.rtPlus[1]) out += "\"radiotext_plus\":" + JsonRtPlus(report) + ',';
        if (report.clock) out += "\"clock_time\":" + JsonClock(*report.clock) + ',';
        out += "\"alt_frequencies_a\":" + JsonNumbers(report.afKhz) + ',';
        if (report.item) {
            out += Format("\"prog_item_number\":{\"day\":%d,\"hour\":%d,\"minute\":%d},", report.item->day,
                          report.item->hour, report.item->minute);
        }
    }
    out += "\"groups\":" + std::to_string(report.groups);
    out += ",\"bad_records\":" + JsonNumbers(report.badRecords) + '}';
    return out;
}
