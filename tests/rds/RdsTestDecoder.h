#pragma once
// A small RDS receiver for tests only. It shares no code with the encoder: the syndrome is
// found by polynomial long division, and characters are read back through its own copy of
// the RDS basic character table. Use it to check what a real radio would make of an image.
//
//   DecodeRecord(bytes)            13-byte record -> 4 blocks with syndrome and offset
//   DecodeImage(image, length)     every whole record of an image
//   GroupFromWords(w1, w2, w3, w4) four information words (e.g. a line of "--groups")
//   CTestReceiver                  feed groups, then read PS pages, RadioTexts, clock, PIN
//   RdsToUtf8(text)                RDS-coded bytes -> UTF-8, for comparing with literals

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rdstest {

// Offset word a block carries, found from its syndrome. CPrime is C'.
enum class Offset { A, B, C, CPrime, D, Invalid };

struct Block {
    uint16_t info = 0;
    uint16_t check = 0;     // the 10 bits after the information word
    uint16_t syndrome = 0;  // remainder of the 26-bit block divided by g(x)
    Offset offset = Offset::Invalid;
};

struct Group {
    std::array<Block, 4> blocks{};
    // True when the blocks carry offsets A, B, C (or C'), D in that order.
    bool valid = false;

    [[nodiscard]] uint16_t Pi() const { return blocks[0].info; }
    [[nodiscard]] int Type() const { return blocks[1].info >> 12; }           // 0..15
    [[nodiscard]] char Version() const { return blocks[1].info & 0x0800 ? 'B' : 'A'; }
    [[nodiscard]] int Tp() const { return blocks[1].info >> 10 & 1; }
    [[nodiscard]] int Pty() const { return blocks[1].info >> 5 & 0x1F; }
};

// Syndrome of a 26-bit block (information word in bits 25..10).
[[nodiscard]] uint16_t Syndrome(uint32_t block26);
[[nodiscard]] Offset OffsetFromSyndrome(uint16_t syndrome);

[[nodiscard]] Group DecodeRecord(const uint8_t* record13);
[[nodiscard]] std::vector<Group> DecodeImage(const uint8_t* image, int length);
// Check fields are left at 0 and offsets assumed right: only the information is known.
[[nodiscard]] Group GroupFromWords(uint16_t w1, uint16_t w2, uint16_t w3, uint16_t w4);

struct ClockTime {
    int mjd = 0;
    int year = 0, month = 0, day = 0;  // calendar date of the MJD
    int hour = 0, minute = 0;          // UTC
    int offsetHalfHours = 0;           // signed, east positive
};

struct ProgrammeItem {
    int day = 0, hour = 0, minute = 0;
    uint16_t number = 0;
};

// Collects what a receiver would show. PS characters and RadioText stay RDS-coded bytes.
class CTestReceiver {
public:
    void Feed(const Group& group);
    void FeedAll(const std::vector<Group>& groups);

    // Each PS page completed by segments 0, 1, 2, 3 in a row, in order of arrival.
    std::vector<std::string> psPages;
    // Per A/B flag: the 64 characters of the last text, and how many 2A groups came.
    std::array<std::string, 2> radioText{std::string(64, '\0'), std::string(64, '\0')};
    std::array<int, 2> radioTextGroups{0, 0};
    std::vector<ClockTime> clockTimes;
    std::vector<ProgrammeItem> programmeItems;
    int invalidGroups = 0;
    // Per group, a short tag in order: "P0".."P3", "R0".."R15" (RadioText B as "r"),
    // "CT", "PIN", or "?" for anything else.
    std::vector<std::string> order;

private:
    std::string m_page = std::string(8, ' ');
    int m_nextSegment = 0;
};

// RDS basic character set -> UTF-8; codes without a character give "?".
[[nodiscard]] std::string RdsToUtf8(const std::string& rds);

// Calendar date of a Modified Julian Day (the receiver's conversion).
void DateFromMjd(int mjd, int& year, int& month, int& day);

}  // namespace rdstest
