#pragma once
// The group builders: the four 16-bit information words of each group the image carries,
// worked out from the station's data alone. Every group is version A with the PI in block 1.

#include <array>
#include <cstdint>

#include "IClock.h"
#include "RtPlus.h"
#include "StationData.h"

using Blocks = std::array<uint16_t, 4>;
using ClockPsPage = std::array<Blocks, 4>;  // the four 0A segments of one page

// Days since 1858-11-17, the integer form of the broadcast date formula.
[[nodiscard]] int ModifiedJulianDay(int year, int month, int day);

// 0A: segment 0..3 of a PS page, with its two characters (CP1252) and AF pair.
[[nodiscard]] Blocks PsGroup(const StationData& data, int segment, char first, char second);
// 2A: segment 0..15 of the RadioText with A/B flag `abFlag`, four characters (CP1252).
[[nodiscard]] Blocks RadioTextGroup(const StationData& data, int abFlag, int segment, const char* fourChars);
// 1A: the programme item number of DEF1ATIME=.
[[nodiscard]] Blocks ProgrammeItemGroup(const StationData& data);
// 4A: UTC date and time of the reading with the local offset.
[[nodiscard]] Blocks ClockTimeGroup(const StationData& data, const ClockReading& clock);
// The PS page "  HH:MM " in local time.
[[nodiscard]] ClockPsPage ClockPsGroups(const StationData& data, const ClockReading& clock);
// 3A: announces the RT+ application (AID 0x4BD7) and that its tags come in group 11A.
[[nodiscard]] Blocks RtPlusAnnouncementGroup(const StationData& data);
// 11A: the two RT+ tags of the RadioText just sent, with the item toggle and running bits.
[[nodiscard]] Blocks RtPlusTagGroup(const StationData& data, const RtPlusTags& tags);
