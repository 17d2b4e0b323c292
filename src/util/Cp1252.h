#pragma once
// The core keeps texts as CP1252 bytes; people read UTF-8.

#include <string>

[[nodiscard]] std::string Cp1252ToUtf8(const std::string& cp1252);
