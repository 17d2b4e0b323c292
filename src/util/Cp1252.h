#pragma once
// The core keeps texts as CP1252 bytes; people read UTF-8.

#include <string>

[[nodiscard]] std::string Cp1252ToUtf8(const std::string& cp1252);

// Text as a client sent it: valid UTF-8 becomes CP1252, each character without a CP1252 code
// a '?'; any other byte run is taken as CP1252 already.
[[nodiscard]] std::string ClientTextToCp1252(const std::string& bytes);
