#include "WindowLayout.h"

#include <array>

namespace {

using K = ControlKind;
namespace S = ControlState;

constexpr std::array CONTROLS = {
    ControlTemplate{kNoId, K::Label, "Porto", 15, 140, 70, 10, S::NONE},
    ControlTemplate{kNoId, K::Label, "Mascara", 15, 120, 125, 10, S::NONE},
    ControlTemplate{kNoId, K::Label, "Endere\xE7o", 15, 105, 125, 10, S::NONE},
    ControlTemplate{kNoId, K::Label, " Estado do\n Socket.", 165, 105, 70, 30, S::NONE},
    ControlTemplate{kNoId, K::Label, "FIFO", 390, 185, 25, 10, S::NONE},
    ControlTemplate{kNoId, K::Label, "RTC", 280, 186, 40, 14, S::NONE},
    ControlTemplate{kNoId, K::Label, "", 465, 130, 90, 50, S::NONE},
    ControlTemplate{kNoId, K::Label, "Proxima actualiza\xE7\xE3o", 345, 45, 110, 15, S::NONE},
    ControlTemplate{1024, K::Field, "", 370, 55, 85, 12, S::READ_ONLY | S::CENTRED},
    ControlTemplate{1, K::Button, "Finalizar", 555, 130, 70, 50, S::DEFAULT_BUTTON},
    ControlTemplate{2, K::Button, "Cancel", 185, 15, 50, 14, S::HIDDEN},
    ControlTemplate{kNoId, K::Logo, "", 255, 10, 70, 60, S::NONE},
    ControlTemplate{1000, K::List, "", 5, 5, 235, 90, S::NONE},
    ControlTemplate{1002, K::Field, "", 45, 140, 40, 12, S::READ_ONLY},
    ControlTemplate{1003, K::AddressEntry, "", 65, 105, 75, 12, S::DISABLED},
    ControlTemplate{1004, K::AddressEntry, "", 65, 120, 75, 12, S::DISABLED},
    ControlTemplate{kNoId, K::Frame, "", 5, 95, 235, 65, S::NONE},
    ControlTemplate{1005, K::IconHolder, "", 349, 84, 20, 20, S::HIDDEN},
    ControlTemplate{1006, K::IconHolder, "", 324, 84, 20, 20, S::HIDDEN},
    ControlTemplate{1009, K::IconDisplay, "", 210, 110, 20, 20, S::NONE},
    ControlTemplate{1007, K::Button, "Ligar", 185, 140, 50, 14, S::NONE},
    ControlTemplate{1010, K::Button, "Fechar", 131, 140, 50, 14, S::NONE},
    ControlTemplate{1008, K::IconHolder, "", 299, 84, 20, 20, S::HIDDEN},
    ControlTemplate{1011, K::Progress, "", 5, 165, 235, 14, S::NONE},
    ControlTemplate{1012, K::Button, "Repor valores por defeito", 255, 155, 85, 14, S::NONE},
    ControlTemplate{1013, K::Field, "", 410, 190, 25, 12, S::READ_ONLY},
    ControlTemplate{1014, K::Field, "", 305, 190, 80, 12, S::READ_ONLY},
    ControlTemplate{1015, K::TickBox, "AutoLoad E2PROM", 475, 167, 75, 10, S::NONE},
    ControlTemplate{kNoId, K::Frame, "", 245, 0, 385, 180, S::NONE},
    ControlTemplate{kNoId, K::Frame, "", 165, 100, 70, 35, S::NONE},
    ControlTemplate{1016, K::List, "", 255, 75, 370, 55, S::NONE},
    ControlTemplate{1017, K::List, "", 5, 186, 265, 110, S::NONE},
    ControlTemplate{kNoId, K::Frame, "", 275, 201, 355, 95, S::NONE},
    ControlTemplate{1019, K::TickBox, "Force EE Write", 475, 134, 75, 10, S::NONE},
    ControlTemplate{1020, K::Field, "", 445, 190, 45, 12, S::READ_ONLY},
    ControlTemplate{1021, K::TickBox, "Poll WR", 475, 156, 75, 10, S::DISABLED},
    ControlTemplate{1022, K::TickBox, "Autocarga titulos", 475, 145, 75, 10, S::NONE},
    ControlTemplate{kNoId, K::Frame, "TimeServer ( status ) ", 330, 25, 295, 45, S::NONE},
    ControlTemplate{1023, K::TickBox, "Time Server active.", 460, 35, 75, 10, S::NONE},
    ControlTemplate{1026, K::Button, "Enviar agora.", 540, 30, 80, 40, S::NONE},
    ControlTemplate{1030, K::IconHolder, "", 375, 85, 20, 20, S::HIDDEN},
    ControlTemplate{1029, K::Button, "Apagar EEPROM", 345, 155, 70, 14, S::NONE},
};

}  // namespace

std::span<const ControlTemplate> MainWindowControls() { return CONTROLS; }
