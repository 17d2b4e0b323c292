#include "Receiver.h"

#include <algorithm>
#include <cmath>

#include "RdsCharset.h"

namespace {

constexpr int GROUP_TYPE_SHIFT = 12;
constexpr int VERSION_B_BIT = 11;
constexpr int TP_BIT = 10;
constexpr int PTY_SHIFT = 5;
constexpr uint8_t RADIOTEXT_END = 0x0D;  // carriage return ends a RadioText early (IEC 62106 3.1.5.3)
constexpr int MINUTES_PER_DAY = 1440;
constexpr uint16_t RT_PLUS_AID = 0x4BD7;  // RT+ application identification (RDS Forum)
constexpr int FIRST_APPLICATION_GROUP_TYPE = 5;

// AF codes of method A (IEC 62106 3.2.1.6.1).
constexpr uint8_t AF_FIRST_FM = 1;
constexpr uint8_t AF_LAST_FM = 204;
constexpr uint8_t AF_COUNT_FIRST = 224;
constexpr uint8_t AF_COUNT_LAST = 249;
constexpr uint8_t AF_LOW_FREQUENCY_FOLLOWS = 250;
constexpr int AF_BASE_KHZ = 87500;
constexpr int AF_STEP_KHZ = 100;

char ShownChar(uint8_t rds) {
    const char c = Cp1252FromRdsChar(rds);
    return c != '\0' ? c : '?';
}

// Calendar date of a Modified Julian Day (IEC 62106 Annex G).
OnAirClock DateOfMjd(int mjd) {
    const int yp = static_cast<int>((mjd - 15078.2) / 365.25);
    const int mp = static_cast<int>((mjd - 14956.1 - std::floor(yp * 365.25)) / 30.6001);
    OnAirClock c;
    c.day = mjd - 14956 - static_cast<int>(std::floor(yp * 365.25)) - static_cast<int>(std::floor(mp * 30.6001));
    const int k = (mp == 14 || mp == 15) ? 1 : 0;
    c.year = 1900 + yp + k;
    c.month = mp - 1 - k * 12;
    return c;
}

bool IsPeriod(const std::vector<std::string>& pages, size_t from, size_t period, size_t repeats) {
    for (size_t i = 0; i < period * repeats; ++i) {
        if (pages[from + i] != pages[from + i % period]) return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> PagesInLoopOrder(const std::vector<std::string>& sent) {
    std::vector<std::string> changes;
    for (const std::string& page : sent) {
        if (changes.empty() || changes.back() != page) changes.push_back(page);
    }
    // The loop closes on itself: the last page shown before the first again is no change.
    while (changes.size() > 1 && changes.back() == changes.front()) changes.pop_back();
    std::vector<std::string> loop;
    size_t from = 0;
    while (from < changes.size()) {
        // The period whose repeats cover most of what is left; the shortest on a tie.
        size_t bestPeriod = 1, bestCover = 1;
        for (size_t period = 1; from + 2 * period <= changes.size(); ++period) {
            size_t repeats = 2;
            while (from + (repeats + 1) * period <= changes.size() && IsPeriod(changes, from, period, repeats + 1)) {
                ++repeats;
            }
            if (IsPeriod(changes, from, period, repeats) && period * repeats > bestCover) {
                bestPeriod = period;
                bestCover = period * repeats;
            }
        }
        loop.insert(loop.end(), changes.begin() + static_cast<std::ptrdiff_t>(from),
                    changes.begin() + static_cast<std::ptrdiff_t>(from + bestPeriod));
        from += bestCover;
    }
    return loop;
}

void CReceiver::Unread(int address) {
    ++m_report.groups;
    m_report.unreadRecords.push_back(address);
}

void CReceiver::Feed(const ReceivedGroup& group, int address) {
    ++m_report.groups;
    if (!group.intact) {
        m_report.badRecords.push_back(address);
        return;
    }
    const uint16_t block2 = group.info[1];
    m_report.pi = group.info[0];
    m_report.tp = (block2 >> TP_BIT & 1) != 0;
    m_report.pty = block2 >> PTY_SHIFT & 0x1F;
    if (block2 >> VERSION_B_BIT == m_rtPlusGroup) {
        TakeRtPlus(block2, group.info[2], group.info[3]);
        return;
    }
    if ((block2 >> VERSION_B_BIT & 1) != 0) return;  // version B groups carry nothing else we show
    switch (block2 >> GROUP_TYPE_SHIFT) {
    case 0:
        TakePs(block2, group.info[2], group.info[3]);
        break;
    case 1:
        TakeItem(group.info[3]);
        break;
    case 2:
        TakeRadioText(block2, group.info[2], group.info[3]);
        break;
    case 3:
        TakeAnnouncement(block2, group.info[3]);
        break;
    case 4:
        TakeClock(block2, group.info[2], group.info[3]);
        break;
    default:
        break;
    }
}

void CReceiver::TakePs(uint16_t block2, uint16_t block3, uint16_t block4) {
    const int segment = block2 & 3;
    m_report.ta = (block2 >> 4 & 1) != 0;
    m_report.ms = (block2 >> 3 & 1) != 0;
    const int diBit = 3 - segment;  // segment 0 carries DI bit 3
    m_report.di = (m_report.di & ~(1 << diBit)) | (block2 >> 2 & 1) << diBit;
    TakeAlternativeFrequency(static_cast<uint8_t>(block3 >> 8));
    TakeAlternativeFrequency(static_cast<uint8_t>(block3 & 0xFF));

    if (segment == 0) m_nextSegment = 0;
    if (segment != m_nextSegment) {
        m_nextSegment = -1;  // a gap: this page is not shown until its segment 0 comes again
        return;
    }
    const auto at = static_cast<size_t>(segment) * 2;
    m_page[at] = static_cast<uint8_t>(block4 >> 8);
    m_page[at + 1] = static_cast<uint8_t>(block4 & 0xFF);
    if (++m_nextSegment < 4) return;
    std::string page;
    for (const uint8_t code : m_page) page += ShownChar(code);
    m_pagesSent.push_back(page);
    m_nextSegment = -1;
}

void CReceiver::TakeAlternativeFrequency(uint8_t code) {
    if (m_afFollowsLowFrequency) {
        m_afFollowsLowFrequency = false;  // an LF/MF frequency: not on the FM list
        return;
    }
    if (code == AF_LOW_FREQUENCY_FOLLOWS) {
        m_afFollowsLowFrequency = true;
        return;
    }
    if (code < AF_FIRST_FM || code > AF_LAST_FM) return;  // fillers, counts, codes not assigned
    const int khz = AF_BASE_KHZ + code * AF_STEP_KHZ;
    std::vector<int>& list = m_report.afKhz;
    if (std::find(list.begin(), list.end(), khz) == list.end()) list.push_back(khz);
}

void CReceiver::TakeRadioText(uint16_t block2, uint16_t block3, uint16_t block4) {
    const int ab = block2 >> 4 & 1;
    const int segment = block2 & 0x0F;
    const std::array<uint8_t, 4> chars = {static_cast<uint8_t>(block3 >> 8), static_cast<uint8_t>(block3 & 0xFF),
                                          static_cast<uint8_t>(block4 >> 8), static_cast<uint8_t>(block4 & 0xFF)};
    std::copy(chars.begin(), chars.end(), m_radioText[ab].begin() + std::ptrdiff_t{segment} * 4);
    m_radioTextSegments[ab] = static_cast<uint16_t>(m_radioTextSegments[ab] | 1u << segment);
    m_lastRadioTextAb = ab;
}

// Group 3A: block 2 names the group an application uses, block 4 the application.
void CReceiver::TakeAnnouncement(uint16_t block2, uint16_t block4) {
    // Only the types open to applications: an announcement cannot take over PS or RadioText.
    const int group = block2 & 0x1F;
    if (block4 == RT_PLUS_AID && group >> 1 >= FIRST_APPLICATION_GROUP_TYPE) m_rtPlusGroup = group;
}

// The RT+ group: toggle and running bits, then two tags of content type, start and length
// marker; the markers give the length less one, and content type 0 is no tag.
void CReceiver::TakeRtPlus(uint16_t block2, uint16_t block3, uint16_t block4) {
    if (m_lastRadioTextAb < 0) return;  // tags without a RadioText to point into
    RawTags raw;
    raw.toggle = (block2 >> 4 & 1) != 0;
    raw.running = (block2 >> 3 & 1) != 0;
    raw.tags[0] = {(block2 & 7) << 3 | block3 >> 13, block3 >> 7 & 0x3F, (block3 >> 1 & 0x3F) + 1};
    raw.tags[1] = {(block3 & 1) << 5 | block4 >> 11, block4 >> 5 & 0x3F, (block4 & 0x1F) + 1};
    m_rtPlus[static_cast<size_t>(m_lastRadioTextAb)] = raw;
}

void CReceiver::TakeClock(uint16_t block2, uint16_t block3, uint16_t block4) {
    const int mjd = (block2 & 3) << 15 | block3 >> 1;
    const int hour = (block3 & 1) << 4 | block4 >> 12;
    const int minute = block4 >> 6 & 0x3F;
    const int offset = (block4 & 0x1F) * 30 * ((block4 & 0x20) != 0 ? -1 : 1);
    if (hour > 23 || minute > 59) return;  // receivers drop an impossible time
    const int local = mjd * MINUTES_PER_DAY + hour * 60 + minute + offset;
    const int localMjd = local / MINUTES_PER_DAY;
    OnAirClock clock = DateOfMjd(localMjd);
    clock.hour = local % MINUTES_PER_DAY / 60;
    clock.minute = local % 60;
    clock.offsetMinutes = offset;
    m_report.clock = clock;
}

void CReceiver::TakeItem(uint16_t block4) {
    const int day = block4 >> 11;
    if (day == 0) return;  // day 0: no programme item number is sent
    m_report.item = OnAirItem{day, block4 >> 6 & 0x1F, block4 & 0x3F};
}

OnAirRtPlus CReceiver::TaggedParts(const RawTags& raw, const std::string& radioText) {
    OnAirRtPlus rtPlus{raw.running, raw.toggle, {}};
    for (const auto& [type, start, length] : raw.tags) {
        if (type == 0) continue;
        // A tag reaching past the text the receiver holds shows what there is of it.
        const auto from = std::min<size_t>(static_cast<size_t>(start), radioText.size());
        rtPlus.tags.push_back({type, radioText.substr(from, static_cast<size_t>(length))});
    }
    return rtPlus;
}

OnAirReport CReceiver::Report() const {
    OnAirReport report = m_report;
    report.psPages = PagesInLoopOrder(m_pagesSent);
    for (int ab = 0; ab < 2; ++ab) {
        if (m_radioTextSegments[ab] == 0) continue;
        std::string text;
        for (int i = 0; i < 64; ++i) {
            const uint8_t code = m_radioText[ab][i];
            if (code == RADIOTEXT_END) break;
            // A segment never received shows as blanks, as on a receiver still filling its text.
            text += (m_radioTextSegments[ab] >> (i / 4) & 1) != 0 ? ShownChar(code) : ' ';
        }
        if (m_rtPlus[ab]) report.rtPlus[ab] = TaggedParts(*m_rtPlus[ab], text);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        report.radioText[ab] = text;
    }
    return report;
}
