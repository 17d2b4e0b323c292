#include "Groups.h"

#include "RdsCharset.h"
#include "RdsTypes.h"

namespace {

constexpr uint16_t GROUP_1A = 0x1000;
constexpr uint16_t GROUP_2A = 0x2000;
constexpr uint16_t GROUP_4A = 0x4000;
constexpr uint16_t GROUP_3A = 0x3000;
constexpr uint16_t GROUP_11A = 0xB000;
constexpr uint16_t RT_PLUS_AID = 0x4BD7;
constexpr uint16_t APP_GROUP_11A = 11 << 1;  // group type code, then version A (0)

// A tag's length goes on air less one; the empty tag is all zeros.
int LengthMarker(const RtPlusTag& tag) { return tag.length > 0 ? tag.length - 1 : 0; }

// Local offset as the group carries it: sign bit 5 (set west of UTC), then half hours.
uint16_t OffsetField(int offsetMinutes) {
    const int magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    int halfHours = (magnitude + 15) / 30;  // zones on a quarter hour round to the nearer half
    if (halfHours > 0x1F) halfHours = 0x1F;
    return static_cast<uint16_t>((offsetMinutes < 0 ? 0x20 : 0) | halfHours);
}

uint16_t CharPair(char first, char second) {
    return static_cast<uint16_t>(RdsCharFromCp1252(first) << 8 | RdsCharFromCp1252(second));
}

// Block 2 bits every group shares: traffic programme and programme type.
uint16_t CommonBlock2(const StationData& data) { return static_cast<uint16_t>(data.Tp() << 10 | data.Pty() << 5); }

}  // namespace

int ModifiedJulianDay(int year, int month, int day) {
    const int leap = (month == 1 || month == 2) ? 1 : 0;
    const int y = year - 1900 - leap;
    const int m = month + 1 + 12 * leap;
    return 14956 + day + y * 365 + (y * 25) / 100 + (m * 30600) / 1000;
}

Blocks PsGroup(const StationData& data, int segment, char first, char second) {
    const int s = segment & 3;
    const int diBit = (data.Di() >> (3 - s)) & 1;  // segment 0 carries DI bit 3
    const auto block2 = static_cast<uint16_t>(CommonBlock2(data) | data.Ta() << 4 | data.Ms() << 3 | diBit << 2 | s);
    const auto block3 = static_cast<uint16_t>(data.Af(2 * s) << 8 | data.Af(2 * s + 1));
    return {data.Pi(), block2, block3, CharPair(first, second)};
}

Blocks RadioTextGroup(const StationData& data, int abFlag, int segment, const char* fourChars) {
    const auto block2 = static_cast<uint16_t>(GROUP_2A | CommonBlock2(data) | (abFlag & 1) << 4 | (segment & 0x0F));
    return {data.Pi(), block2, CharPair(fourChars[0], fourChars[1]), CharPair(fourChars[2], fourChars[3])};
}

Blocks ProgrammeItemGroup(const StationData& data) {
    const int day = BcdToInt(data.PinDayBcd());
    const int hour = BcdToInt(static_cast<uint8_t>(data.PinHourMinuteBcd() >> 8));
    const int minute = BcdToInt(static_cast<uint8_t>(data.PinHourMinuteBcd() & 0xFF));
    const auto pin = static_cast<uint16_t>(day * 2048 + hour * 64 + minute);
    return {data.Pi(), static_cast<uint16_t>(GROUP_1A | CommonBlock2(data)), data.Pi(), pin};
}

Blocks ClockTimeGroup(const StationData& data, const ClockReading& clock) {
    // Receivers add the offset to the UTC fields, so date and time here are UTC.
    const int mjd = ModifiedJulianDay(clock.utcYear, clock.utcMonth, clock.utcDay) & 0x1FFFF;
    const int hour = clock.utcHour & 0x1F;
    const int minute = clock.utcMinute & 0x3F;
    const auto block2 = static_cast<uint16_t>(GROUP_4A | CommonBlock2(data) | mjd >> 15);
    const auto block3 = static_cast<uint16_t>((mjd & 0x7FFF) << 1 | hour >> 4);
    const auto block4 = static_cast<uint16_t>((hour & 0x0F) << 12 | minute << 6 | OffsetField(clock.utcOffsetMinutes));
    return {data.Pi(), block2, block3, block4};
}

ClockPsPage ClockPsGroups(const StationData& data, const ClockReading& clock) {
    auto digit = [](uint8_t bcd, int shift) { return static_cast<char>('0' + (bcd >> shift & 0x0F)); };
    return {PsGroup(data, 0, ' ', ' '), PsGroup(data, 1, digit(clock.hour, 4), digit(clock.hour, 0)),
            PsGroup(data, 2, ':', digit(clock.minute, 4)), PsGroup(data, 3, digit(clock.minute, 0), ' ')};
}

Blocks RtPlusAnnouncementGroup(const StationData& data) {
    // Block 3 is the RT+ message: no template, no CB flag, SCB 0.
    return {data.Pi(), static_cast<uint16_t>(GROUP_3A | CommonBlock2(data) | APP_GROUP_11A), 0, RT_PLUS_AID};
}

Blocks RtPlusTagGroup(const StationData& data, const RtPlusTags& tags) {
    const RtPlusTag& a = tags.first;
    const RtPlusTag& b = tags.second;
    const int running = data.RtTitle().empty() ? 0 : 1;
    const auto block2 = static_cast<uint16_t>(GROUP_11A | CommonBlock2(data) | (data.ItemToggle() & 1) << 4 |
                                              running << 3 | (a.contentType >> 3 & 7));
    const auto block3 = static_cast<uint16_t>((a.contentType & 7) << 13 | (a.start & 0x3F) << 7 |
                                              (LengthMarker(a) & 0x3F) << 1 | (b.contentType >> 5 & 1));
    const auto block4 = static_cast<uint16_t>((b.contentType & 0x1F) << 11 | (b.start & 0x3F) << 5 |
                                              (LengthMarker(b) & 0x1F));
    return {data.Pi(), block2, block3, block4};
}
