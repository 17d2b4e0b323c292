#pragma once
// The one way a CP1252 text of the server reaches the screen: through the code page's own
// table, never by guessing (0x80 is the euro sign, the five unassigned bytes show U+FFFD).

#include <QString>

#include <string>

#include "Cp1252.h"

[[nodiscard]] inline QString ScreenText(const std::string& cp1252) {
    return QString::fromStdString(Cp1252ToUtf8(cp1252));
}
