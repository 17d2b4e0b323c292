#pragma once
// The station's RDS data, the texts composed from it and the group image coded from it.
// One instance lives in the controller; commands, the title poll and the tick change it.

#include <array>
#include <cstdint>
#include <string>

#include "IClock.h"
#include "RdsTypes.h"

// Where a clock-dependent group lies in the image. Set by its own flag, so that a group
// laid at byte 0 is still found by the minute refresh.
struct ImageSlot {
    uint16_t offset = 0;
    uint8_t mask = 0x80;
    bool set = false;
};

class CRdsModel {
public:
    explicit CRdsModel(IClock& clock);
    virtual ~CRdsModel() = default;
    CRdsModel(const CRdsModel&) = delete;
    CRdsModel& operator=(const CRdsModel&) = delete;

    // ---- command language (CommandLanguage.cpp) ----
    // 1 when the line began with a keyword of the table and its handler ran, else 0.
    int ExecuteCommand(const char* line);

    // ---- composition (TextComposition.cpp) ----
    void Rebuild();           // ResetLayout, ComposePsText, ComposeRadioText, BuildImage
    void ComposePsText();
    void ComposeRadioText();
    void SetRtTitle(const std::string& rawTitle);
    void SetPsTitle(const std::string& psTitle) { m_psTitle = psTitle; }

    // ---- settings ----
    void SetPsRepeat(const uint8_t& repeat) { m_psRepeat = repeat; }
    void SetGroupFlags(const uint8_t& flags);

    // ---- clock (RdsModel.cpp) ----
    void ReadClock();
    [[nodiscard]] std::string GetClockText();
    void GetClockTime(int& hour, int& minute, int& second);
    void RefreshClock();      // ReadClock, then RefreshTimeGroups

    // ---- image (ImageAssembly.cpp) ----
    void ResetLayout();
    void BuildImage();
    void RefreshTimeGroups();
    [[nodiscard]] const uint8_t* GetImage() const { return m_image.data(); }
    [[nodiscard]] int GetImageLength() const { return m_imageLength; }
    [[nodiscard]] static constexpr int GetImageCapacity() { return IMAGE_CAPACITY; }
    // Record count as the EEPROM holds it: whole records only.
    [[nodiscard]] int GetRecordCount() const { return m_imageLength / RECORD_BYTES; }

    // ---- bit writer and group builders (GroupEncoder.cpp, TextPass.cpp) ----
    bool PutBit(int bit);
    bool PutBits(uint16_t word, int count);
    bool EncodeBlock(uint16_t info, int offsetIndex);
    bool EncodeGroup(uint16_t block2, uint16_t block3, uint16_t block4);
    bool EncodePsGroup(int segment, char first, char second);
    bool EncodeRadioTextGroup(int abFlag, int segment, const char* fourChars);
    void EncodeProgrammeItemGroup();
    void EncodeClockTimeGroup();
    void EncodeClockPsGroups();
    void EncodeTextGroups();

    // ---- state, public for the controller, the tool and the tests ----
    // Source texts and titles (CP1252 bytes).
    std::string m_txt1Source;
    std::string m_txt0Source;
    std::string m_psnSource;
    std::string m_rtTitle;
    std::string m_psTitle;

    // RDS parameters.
    uint16_t m_pi = 0;
    uint8_t m_ms = 0;
    uint8_t m_tp = 0;
    uint8_t m_ta = 0;
    uint8_t m_pty = 0;
    uint8_t m_di = 0;
    std::array<uint8_t, 8> m_af{};
    uint8_t m_groupFlags = 0;
    uint8_t m_pinDay = 0;
    uint16_t m_pinHourMinute = 0;
    uint8_t m_psRepeat = 5;

    // Clock fields, two BCD bytes each, the first-named in the high byte.
    uint16_t m_clockCenturyYear = 0;
    uint16_t m_clockMonthDay = 0;
    uint16_t m_clockSecond = 0;
    uint16_t m_clockHourMinute = 0;
    // The same instant in UTC, for the clock-time group.
    int m_utcYear = 2000, m_utcMonth = 1, m_utcDay = 1, m_utcHour = 0, m_utcMinute = 0;
    int m_utcOffsetMinutes = 0;

    // Composed texts read by the encoder. RadioTexts are always 64 bytes, zero-filled.
    std::array<char, 64> m_txt1Text{};
    std::array<char, 64> m_txt0Text{};
    std::string m_psnText;

    // Image and layout.
    std::array<uint8_t, IMAGE_CAPACITY> m_image{};
    uint16_t m_writePos = 0;
    uint8_t m_writeMask = 0x80;
    uint16_t m_imageLength = 0;
    ImageSlot m_slotClockTime;
    ImageSlot m_slotClockPs;
    ImageSlot m_slotProgrammeItem;
    uint16_t m_lastRefreshTime = 0;

    static constexpr int TXT_LIMIT = 64;
    static constexpr int PSN_LIMIT = 1023;

private:
    // ---- layout helpers (ImageAssembly.cpp) ----
    // Moves the write position to the slot; an unset slot is placed at the image's end,
    // and then true says the group extends the image.
    bool PlaceGroup(ImageSlot& slot);
    void EndPlacedGroup(bool appended);
    void TakeSlot(ImageSlot& slot) const;

    IClock& m_clock;
    const char* m_cursor = nullptr;  // parse cursor of the line being executed

    // ---- command language internals (CommandLanguage.cpp) ----
    struct CommandHandlers;
};
