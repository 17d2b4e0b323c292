#include "GroupImage.h"

#include "TextPass.h"

namespace {
uint16_t HourMinute(const ClockReading& clock) { return static_cast<uint16_t>(clock.hour << 8 | clock.minute); }
}  // namespace

void CGroupImage::Build(const StationData& data, const ComposedText& texts, const ClockReading& clock) {
    m_slotClockTime = ImageSlot{};
    m_slotClockPs = ImageSlot{};
    m_slotProgrammeItem = ImageSlot{};
    m_writer.MoveTo(ImagePosition{});
    m_length = 0;

    WriteTextPass(m_writer, data, texts);
    if (data.Has(GroupFlag::ClockTime)) {
        TakeSlot(m_slotClockTime);
        WriteClockTime(data, clock);
    }
    if (data.Has(GroupFlag::ClockPs)) {
        TakeSlot(m_slotClockPs);
        WriteClockPs(data, clock);
    }
    if (data.Has(GroupFlag::ProgrammeItem)) {
        TakeSlot(m_slotProgrammeItem);
        WriteProgrammeItem(data);
    }
    m_length = m_writer.Position().offset;
}

void CGroupImage::RefreshTimeGroups(const StationData& data, const ClockReading& clock) {
    if (HourMinute(clock) == m_lastRefreshTime) return;
    // Stored before the flags are looked at, so switching everything off still settles it.
    m_lastRefreshTime = HourMinute(clock);
    if ((data.GroupFlags() & ALL_GROUP_FLAGS) == 0) return;
    WriteClockPs(data, clock);
    WriteClockTime(data, clock);
    WriteProgrammeItem(data);
}

bool CGroupImage::PlaceGroup(ImageSlot& slot) {
    if (slot.set) {
        m_writer.MoveTo(slot.position);
        return false;
    }
    // Switched on since the last build: the group goes after everything already laid out.
    m_writer.MoveTo(ImagePosition{m_length, m_writer.Position().mask});
    TakeSlot(slot);
    return true;
}

void CGroupImage::EndPlacedGroup(bool appended) {
    if (appended && m_writer.Position().offset > m_length) m_length = m_writer.Position().offset;
}

// A full image refuses every bit; what fits stays, as for every other group.
void CGroupImage::WriteProgrammeItem(const StationData& data) {
    if (!data.Has(GroupFlag::ProgrammeItem)) return;
    const bool appended = PlaceGroup(m_slotProgrammeItem);
    m_writer.WriteGroup(ProgrammeItemGroup(data));
    EndPlacedGroup(appended);
}

void CGroupImage::WriteClockTime(const StationData& data, const ClockReading& clock) {
    if (!data.Has(GroupFlag::ClockTime)) return;
    const bool appended = PlaceGroup(m_slotClockTime);
    m_writer.WriteGroup(ClockTimeGroup(data, clock));
    EndPlacedGroup(appended);
}

// The clock page is sent as often as a PS page is repeated (unsigned here: 0..255 times).
void CGroupImage::WriteClockPs(const StationData& data, const ClockReading& clock) {
    if (!data.Has(GroupFlag::ClockPs)) return;
    const bool appended = PlaceGroup(m_slotClockPs);
    const ClockPsPage page = ClockPsGroups(data, clock);
    for (unsigned n = 0; n < data.PsRepeat(); ++n) {
        if (!m_writer.WriteGroup(page[0])) continue;
        m_writer.WriteGroup(page[1]);
        m_writer.WriteGroup(page[2]);
        m_writer.WriteGroup(page[3]);
    }
    EndPlacedGroup(appended);
}
