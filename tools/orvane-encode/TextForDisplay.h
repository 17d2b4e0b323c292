#pragma once
// The tool prints the core's CP1252 texts on a UTF-8 terminal.

#include <string>

[[nodiscard]] std::string Cp1252ToUtf8Text(const std::string& cp1252);
