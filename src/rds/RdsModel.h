#pragma once
// The RDS side as the controller sees it: the station's data, the texts composed from it and
// the group image coded from them. One instance lives in the controller; commands, the title
// poll and the tick change it.

#include <cstdint>
#include <string>

#include "CommandResult.h"
#include "GroupImage.h"
#include "IClock.h"
#include "RdsTypes.h"
#include "StationData.h"
#include "TextComposition.h"

class CRdsModel {
public:
    explicit CRdsModel(IClock& clock);
    CRdsModel(const CRdsModel&) = delete;
    CRdsModel& operator=(const CRdsModel&) = delete;

    // One line of the command language; `executed` is 1 when a keyword of the table took it.
    CommandResult ExecuteCommand(const char* line);

    // Composes PS and RadioTexts with the current title, then lays the image out afresh.
    void Rebuild();
    // Lays the image out afresh from the texts as last composed (the ENCODE command).
    void BuildImage();
    // The title as the poll found it; on air with the next Rebuild.
    void SetRtTitle(const std::string& rawTitle) { m_station.SetRtTitle(rawTitle); }
    void SetPsTitle(const std::string& psPages) { m_station.SetPsTitle(psPages); }

    void SetPsRepeat(uint8_t repeat) { m_station.SetPsRepeat(repeat); }
    // Switches the optional groups (GroupFlag bits) and rewrites them at once.
    void SetGroupFlags(uint8_t flags);

    // Each of these reads the clock first.
    [[nodiscard]] std::string GetClockText();
    void GetClockTime(int& hour, int& minute, int& second);
    void RefreshClock();  // then rewrites the clock-dependent groups once a minute

    [[nodiscard]] const uint8_t* GetImage() const { return m_image.Bytes(); }
    [[nodiscard]] int GetImageLength() const { return m_image.Length(); }
    [[nodiscard]] static constexpr int GetImageCapacity() { return IMAGE_CAPACITY; }
    // Record count as the EEPROM holds it: whole records only.
    [[nodiscard]] int GetRecordCount() const { return m_image.Length() / RECORD_BYTES; }

    [[nodiscard]] const StationData& Station() const { return m_station; }
    [[nodiscard]] const ComposedText& Texts() const { return m_texts; }

private:
    void ReadClock() { m_reading = m_clock.Read(); }
    void ComposePs();

    IClock& m_clock;
    StationData m_station;
    ComposedText m_texts;
    ClockReading m_reading;  // the last reading; the groups are coded from it
    CGroupImage m_image;
};
