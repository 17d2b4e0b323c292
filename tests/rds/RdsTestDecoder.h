#pragma once
// A small RDS receiver for tests only. It shares no code with the encoder: the syndrome is
// found by polynomial long division, and characters are read back through its own copy of
// the RDS basic character table. Use it to check what a real radio would make of an image.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace rdstest {

struct Group {
    std::array<uint16_t, 4> info{};
    bool valid = false;  // offsets A, B, C or C', D in that order
};

[[nodiscard]] Group DecodeRecord(const uint8_t* record13);
[[nodiscard]] std::vector<Group> DecodeImage(const uint8_t* image, int length);  // whole records only

// UTC time, the calendar date of its MJD, and the local offset in signed half hours.
struct ClockTime {
    int mjd, year, month, day, hour, minute, offsetHalfHours;
};

// One RT+ tag as a receiver reads it, with the characters it marks in the RadioText then held.
struct RtPlusTagSeen {
    int contentType = 0, start = 0, length = 0;  // length = marker + 1
    std::string text;                            // RDS-coded; empty for content type 0
};

// One RT+ group (11A, once announced by 3A with AID 0x4BD7) as a receiver reads it.
struct RtPlusSeen {
    int toggle = 0, running = 0, radioText = 0;  // radioText: A/B flag of the text it points into
    std::array<RtPlusTagSeen, 2> tags;
    // The text of the first tag of that content type; empty when none carries it.
    [[nodiscard]] std::string Text(int contentType) const;
};

// Collects what a receiver would show. PS characters and RadioText stay RDS-coded bytes.
struct CTestReceiver {
    void Feed(const Group& group);
    // An 11A group read as RT+; false while no 3A has announced RT+ there.
    bool FeedRtPlus(uint16_t b2, uint16_t b3, uint16_t b4);
    void FeedAll(const std::vector<Group>& groups) {
        for (const Group& g : groups) Feed(g);
    }

    std::vector<std::string> psPages;  // each page completed by segments 0..3 in a row
    std::array<std::string, 2> radioText{std::string(64, '\0'), std::string(64, '\0')};  // by A/B flag
    std::array<int, 2> radioTextGroups{0, 0};
    std::vector<ClockTime> clockTimes;
    std::vector<uint16_t> programmeItems;                // item numbers
    std::vector<std::pair<int, uint16_t>> applications;  // 3A: application group code, AID
    std::vector<RtPlusSeen> rtPlus;
    int lastRadioText = -1;  // A/B flag of the RadioText group last received
    int invalidGroups = 0;
    std::string
        order;  // a tag and a blank per group: "P0".."P3", "R0".."R15" (B: "r0"..), "CT", "PIN", "ODA", "RT+", "?"
    std::string page = std::string(8, ' ');  // the page being received
    int nextSegment = 0;
};

// RDS basic character set -> UTF-8; codes without a character give "?".
[[nodiscard]] std::string RdsToUtf8(const std::string& rds);

}  // namespace rdstest
