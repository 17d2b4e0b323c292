#pragma once
// What the EEPROM transfers show the operator. The controller implements it with its
// window (or console); the transfers never draw anything themselves.

#include <cstdint>
#include <string>

#include "MessageIcon.h"

struct BarColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const BarColour&, const BarColour&) = default;
};

// The progress bar's colour tells the phase of a transfer.
inline constexpr BarColour BAR_READING{0, 255, 0};
inline constexpr BarColour BAR_SYNC_WRITE{255, 0, 0};
inline constexpr BarColour BAR_SYNC_VERIFY{200, 200, 0};
inline constexpr BarColour BAR_ERASE_WRITE{255, 100, 255};
inline constexpr BarColour BAR_ERASE_VERIFY{100, 255, 255};
inline constexpr BarColour BAR_IDLE{0, 0, 200};

class IEepromView {
public:
    virtual ~IEepromView() = default;

    // Progress bar 1011: range 0..maximum, position within it, colour of the phase.
    virtual void SetProgressRange(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void SetProgressColour(BarColour colour) = 0;

    // Wait cursor while a transfer blocks the window.
    virtual void SetBusyPointer(bool busy) = 0;

    // A modal message box (CP1252 texts); returns when the operator has closed it.
    virtual void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) = 0;

    // Grey out check boxes 1015 ("AutoLoad E2PROM") and 1019 ("Force EE Write"): the EEPROM
    // cannot be reached, so they stay off for the rest of the run.
    virtual void DisableEepromControls() = 0;

    // Redraw the EEPROM map from the state codes, now, outside the paint cycle.
    virtual void DrawEepromMap() = 0;
};

// Transfers that nobody watches: benches, fuzzing and tests that look only at the chip.
class CSilentEepromView : public IEepromView {
public:
    void SetProgressRange(int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressColour(BarColour) override {}
    void SetBusyPointer(bool) override {}
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    void DisableEepromControls() override {}
    void DrawEepromMap() override {}
};
