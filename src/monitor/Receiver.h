#pragma once
// A receiver fed group by group, in the order the encoder sends them:
//   CReceiver receiver;
//   receiver.Feed(group, address);   // once per record; address names a damaged one
//   OnAirReport report = receiver.Report();
// It decodes groups 0A, 1A, 2A and 4A, and RT+ in the group a 3A announces; other types are
// counted and passed over.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "BlockCheck.h"
#include "OnAirReport.h"

class CReceiver {
public:
    // A group that is not intact is only counted, with its address; nothing of it is shown.
    void Feed(const ReceivedGroup& group, int address);
    // A record whose bytes could not be read: counted and named, never decoded.
    void Unread(int address);

    [[nodiscard]] OnAirReport Report() const;

private:
    void TakePs(uint16_t block2, uint16_t block3, uint16_t block4);
    void TakeAlternativeFrequency(uint8_t code);
    void TakeRadioText(uint16_t block2, uint16_t block3, uint16_t block4);
    void TakeClock(uint16_t block2, uint16_t block3, uint16_t block4);
    void TakeItem(uint16_t block4);
    void TakeAnnouncement(uint16_t block2, uint16_t block4);
    void TakeRtPlus(uint16_t block2, uint16_t block3, uint16_t block4);

    // The tags as sent: type, start, length; applied to the RadioText when the report is made.
    struct RawTags {
        bool running = false, toggle = false;
        std::array<std::array<int, 3>, 2> tags{};
    };
    [[nodiscard]] static OnAirRtPlus TaggedParts(const RawTags& raw, const std::string& radioText);

    OnAirReport m_report;
    std::array<uint8_t, 8> m_page{};  // RDS codes of the page being received
    int m_nextSegment = 0;            // segments arrive 0..3; a page counts once all four came in order
    std::vector<std::string> m_pagesSent;
    bool m_afFollowsLowFrequency = false;
    std::array<std::array<uint8_t, 64>, 2> m_radioText{};
    std::array<uint16_t, 2> m_radioTextSegments{};  // bit n: segment n received
    int m_lastRadioTextAb = -1;                     // the A/B flag of the last RadioText group
    int m_rtPlusGroup = -1;                         // type and version (block 2 bits 15..11) of the RT+ group
    std::array<std::optional<RawTags>, 2> m_rtPlus;
};

// The PS pages in the order a listener sees them change: a page sent again at once shows no
// change, and a run of pages sent over again is one loop of them.
[[nodiscard]] std::vector<std::string> PagesInLoopOrder(const std::vector<std::string>& sent);
