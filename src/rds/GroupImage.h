#pragma once
// The group image: the text pass, then the clock-dependent groups in slots that the minute
// refresh rewrites in place, so the EEPROM sync finds only those bytes changed.

#include <cstdint>

#include "IClock.h"
#include "ImageWriter.h"
#include "StationData.h"
#include "TextComposition.h"

// Where a clock-dependent group lies in the image. Set by its own flag, so that a group
// laid at byte 0 is still found by the minute refresh.
struct ImageSlot {
    ImagePosition position;
    bool set = false;
};

class CGroupImage {
public:
    // Lays the whole image out afresh.
    void Build(const StationData& data, const ComposedText& texts, const ClockReading& clock);
    // Rewrites the slots once per minute of the clock; a group switched on since the last
    // build is appended to the image.
    void RefreshTimeGroups(const StationData& data, const ClockReading& clock);
    // The next refresh rewrites the slots whatever the minute.
    void ForgetRefreshMinute() { m_lastRefreshTime = NO_MINUTE; }

    [[nodiscard]] const uint8_t* Bytes() const { return m_writer.Image().data(); }
    [[nodiscard]] int Length() const { return m_length; }

private:
    static constexpr uint16_t NO_MINUTE = 0xFFFF;

    // Moves the writer to the slot; an unset slot is placed at the image's end, and then
    // true says the group extends the image.
    bool PlaceGroup(ImageSlot& slot);
    void EndPlacedGroup(bool appended);
    void TakeSlot(ImageSlot& slot) const { slot = {m_writer.Position(), true}; }

    void WriteProgrammeItem(const StationData& data);
    void WriteClockTime(const StationData& data, const ClockReading& clock);
    void WriteClockPs(const StationData& data, const ClockReading& clock);

    CImageWriter m_writer;
    uint16_t m_length = 0;
    ImageSlot m_slotClockTime;
    ImageSlot m_slotClockPs;
    ImageSlot m_slotProgrammeItem;
    uint16_t m_lastRefreshTime = 0;  // local hour and minute, BCD, of the last refresh
};
