#pragma once
// The optional groups, as GROUP4A=, TIMEINPSN=, GROUP1A= and the controller switch them.
// The bit values are those the controller and the command file have always used.

#include <cstdint>

enum class GroupFlag : uint8_t {
    ClockTime = 0x01,      // group 4A, GROUP4A=
    ClockPs = 0x02,        // the "  HH:MM " PS page, TIMEINPSN=
    ProgrammeItem = 0x04,  // group 1A, GROUP1A=
};

inline constexpr uint8_t ALL_GROUP_FLAGS = 0x07;

[[nodiscard]] constexpr uint8_t FlagBit(GroupFlag flag) { return static_cast<uint8_t>(flag); }
[[nodiscard]] constexpr bool HasFlag(uint8_t flags, GroupFlag flag) { return (flags & FlagBit(flag)) != 0; }
