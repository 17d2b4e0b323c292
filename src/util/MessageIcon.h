#pragma once
// The icon of a message box put before the station's operator; None shows the text alone.
// The bus, the network and both views name it the same way.

enum class MessageIcon { None, Information, Warning, Stop };
