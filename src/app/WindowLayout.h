#pragma once
// The main window's controls as one table: id, kind, caption and rectangle in dialog units,
// with their states. CMainWindow builds its widgets from it; tests check the window against it.

#include <QRect>

#include <span>

enum class ControlKind {
    Label,
    Field,
    Button,
    Logo,
    List,
    AddressEntry,
    Frame,
    IconHolder,
    IconDisplay,
    Progress,
    TickBox
};

namespace ControlState {
inline constexpr unsigned NONE = 0;
inline constexpr unsigned HIDDEN = 1U << 0;
inline constexpr unsigned DISABLED = 1U << 1;
inline constexpr unsigned READ_ONLY = 1U << 2;
inline constexpr unsigned CENTRED = 1U << 3;
inline constexpr unsigned DEFAULT_BUTTON = 1U << 4;
}  // namespace ControlState

inline constexpr int kNoId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;         // CP1252; the icon holders' picture is named by their id
    int x, y, width, height;  // dialog units
    unsigned state;
};

// Dialog units of an 8-point font whose average character is 6 x 13 pixels, rounded down.
[[nodiscard]] constexpr int DluToPixelsX(int dlu) { return dlu * 6 / 4; }
[[nodiscard]] constexpr int DluToPixelsY(int dlu) { return dlu * 13 / 8; }
[[nodiscard]] inline QRect DluRect(const ControlTemplate& c) {
    return {DluToPixelsX(c.x), DluToPixelsY(c.y), DluToPixelsX(c.width), DluToPixelsY(c.height)};
}

inline constexpr int kWindowWidthDlu = 637;
inline constexpr int kWindowHeightDlu = 303;
static_assert(DluToPixelsX(kWindowWidthDlu) == 955 && DluToPixelsY(kWindowHeightDlu) == 492);

// Every control of the window, in the order they are laid over each other.
[[nodiscard]] std::span<const ControlTemplate> MainWindowControls();
