#pragma once
// What a receiver shows for the groups it took in: the fields one by one, and the same as
// text lines (for the console, the log and the tool) or one JSON object (for the tool).
// Texts are CP1252 bytes; OnAirJson gives UTF-8.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The clock of group 4A, turned into local time by its own offset.
struct OnAirClock {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    int offsetMinutes = 0;  // local time minus UTC
    bool operator==(const OnAirClock&) const = default;
};

// The programme item number of group 1A.
struct OnAirItem {
    int day = 0, hour = 0, minute = 0;
    bool operator==(const OnAirItem&) const = default;
};

// One RT+ tag of a RadioText: its content type and the characters it marks.
struct OnAirRtPlusTag {
    int contentType = 0;
    std::string text;
    bool operator==(const OnAirRtPlusTag&) const = default;
};

// What the RT+ group says of the RadioText sent before it.
struct OnAirRtPlus {
    bool running = false;  // an item (a song) is on now
    bool toggle = false;   // flips when the item changes
    std::vector<OnAirRtPlusTag> tags;
    bool operator==(const OnAirRtPlus&) const = default;
};

struct OnAirReport {
    std::optional<uint16_t> pi;  // unset: no intact group
    int pty = 0;
    bool tp = false;
    bool ta = false;  // TA, MS and DI come with the PS groups only
    bool ms = false;
    int di = 0;
    std::vector<std::string> psPages;                     // 8 characters each, in loop order
    std::array<std::optional<std::string>, 2> radioText;  // by the A/B flag; unset when not sent
    std::optional<OnAirClock> clock;
    std::vector<int> afKhz;  // method A list, in the order sent
    std::optional<OnAirItem> item;
    std::array<std::optional<OnAirRtPlus>, 2> rtPlus;  // by the A/B flag of the RadioText tagged
    int groups = 0;                                    // records taken in, intact or not
    std::vector<int> badRecords;     // addresses of records failing a checkword (capture lines: line numbers)
    bool fromCapture = false;        // read from capture lines, not from an EEPROM
    std::vector<int> unreadRecords;  // addresses of records not read back right from the chip
    std::string problem;             // why nothing could be decoded, in English; empty when all went well

    bool operator==(const OnAirReport&) const = default;
};

// The name of a programme type code (0..31), as European receivers show it.
[[nodiscard]] const char* ProgrammeTypeName(int pty);

// The name of an RT+ content type ("ITEM.TITLE"), or "TYPE n" for one without a name here.
[[nodiscard]] std::string RtPlusTypeName(int contentType);

// "RT+ A ITEM.ARTIST \"...\" ITEM.TITLE \"...\"", with " (no item running)" when the flag is off.
[[nodiscard]] std::string RtPlusText(const OnAirRtPlus& rtPlus);

// "PI C3A5 PTY 10 TP 1 TA 0 MS 1 DI 1", "PS ...", "RT A ...", "RT+ A ...", "CT ...", "AF ...", "PIN ...",
// and a warning line for damaged or unread records; CP1252.
[[nodiscard]] std::vector<std::string> OnAirLines(const OnAirReport& report);

// One JSON object, UTF-8, without a line end.
[[nodiscard]] std::string OnAirJson(const OnAirReport& report);
