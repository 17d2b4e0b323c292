#pragma once
// The window's own pictures, drawn here: the socket lamps, the power sign, the application
// icon and the logo. Each call draws afresh; the window keeps what it shows.

#include <QIcon>
#include <QPixmap>

enum class LampPicture { Green, Red, CrossedOut, Power };

[[nodiscard]] QPixmap DrawLamp(LampPicture picture, int size);
[[nodiscard]] QIcon ApplicationIcon();
// The station's logo, 103 x 95 pixels.
[[nodiscard]] QPixmap DrawLogo();
