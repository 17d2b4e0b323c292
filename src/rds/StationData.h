#pragma once
// What the station says about itself: the values the command language sets and every group
// reads. Setters keep each field to the bits the groups carry, as the commands always did.

#include <array>
#include <cstdint>
#include <string>

#include "GroupFlags.h"

inline constexpr int TXT_SOURCE_LIMIT = 64;    // characters of a TXT0=/TXT1= value kept
inline constexpr int PSN_SOURCE_LIMIT = 1023;  // characters of a PSN= value kept
inline constexpr uint8_t AF_FILLER = 205;      // the AF filler code: no alternative frequency
inline constexpr int AF_CODES = 8;

class StationData {
public:
    void SetPi(uint16_t pi) { m_pi = pi; }
    void SetPty(uint8_t pty) { m_pty = pty & 0x1F; }
    void SetTp(uint8_t tp) { m_tp = tp & 1; }
    void SetTa(uint8_t ta) { m_ta = ta & 1; }
    void SetMs(uint8_t ms) { m_ms = ms & 1; }
    void SetDi(uint8_t di) { m_di = di & 0x0F; }
    void SetAf(int entry, uint8_t code) { m_af[static_cast<size_t>(entry & 7)] = code; }
    void SetGroupFlags(uint8_t flags) { m_groupFlags = flags; }
    void SetGroupFlag(GroupFlag flag, bool on);
    void SetProgrammeItem(uint8_t dayBcd, uint16_t hourMinuteBcd);
    void SetPsRepeat(uint8_t repeat) { m_psRepeat = repeat; }
    // Texts are CP1252 bytes; index 0 is TXT0 (A/B flag 0), 1 is TXT1.
    void SetRadioTextSource(int index, std::string text) {
        m_rtSource[static_cast<size_t>(index & 1)] = std::move(text);
    }
    void SetPsSource(std::string text) { m_psSource = std::move(text); }
    void SetPsTitle(std::string pages) { m_psTitle = std::move(pages); }
    // A leading '_' marks a playlist number of three characters ("_01Song").
    // A title other than the one before flips the item toggle that RT+ receivers watch.
    void SetRtTitle(const std::string& rawTitle);
    void SetRtPlus(bool on) { m_rtPlus = on; }

    [[nodiscard]] uint16_t Pi() const { return m_pi; }
    [[nodiscard]] uint8_t Pty() const { return m_pty; }
    [[nodiscard]] uint8_t Tp() const { return m_tp; }
    [[nodiscard]] uint8_t Ta() const { return m_ta; }
    [[nodiscard]] uint8_t Ms() const { return m_ms; }
    [[nodiscard]] uint8_t Di() const { return m_di; }
    [[nodiscard]] uint8_t Af(int entry) const { return m_af[static_cast<size_t>(entry & 7)]; }
    [[nodiscard]] uint8_t GroupFlags() const { return m_groupFlags; }
    [[nodiscard]] bool Has(GroupFlag flag) const { return HasFlag(m_groupFlags, flag); }
    [[nodiscard]] uint8_t PinDayBcd() const { return m_pinDay; }
    [[nodiscard]] uint16_t PinHourMinuteBcd() const { return m_pinHourMinute; }
    [[nodiscard]] uint8_t PsRepeat() const { return m_psRepeat; }
    [[nodiscard]] const std::string& RadioTextSource(int index) const {
        return m_rtSource[static_cast<size_t>(index & 1)];
    }
    [[nodiscard]] const std::string& PsSource() const { return m_psSource; }
    [[nodiscard]] const std::string& PsTitle() const { return m_psTitle; }
    [[nodiscard]] const std::string& RtTitle() const { return m_rtTitle; }
    [[nodiscard]] bool RtPlus() const { return m_rtPlus; }
    [[nodiscard]] int ItemToggle() const { return m_itemToggle; }

private:
    uint16_t m_pi = 0;
    uint8_t m_pty = 0, m_tp = 0, m_ta = 0, m_ms = 0, m_di = 0;
    std::array<uint8_t, AF_CODES> m_af = [] {
        std::array<uint8_t, AF_CODES> af{};
        af.fill(AF_FILLER);
        return af;
    }();
    uint8_t m_groupFlags = 0;
    uint8_t m_pinDay = 0;
    uint16_t m_pinHourMinute = 0;
    uint8_t m_psRepeat = 5;
    std::array<std::string, 2> m_rtSource;
    std::string m_psSource;
    std::string m_psTitle;  // the title's PS pages, joined by '|'
    std::string m_rtTitle;  // the title for the RadioTexts
    bool m_rtPlus = false;  // RT+ groups in the image
    int m_itemToggle = 0;   // 0 or 1
};
