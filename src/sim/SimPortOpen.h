#pragma once
// Opens the simulated interface and X24C32 as a bus backend: OpenSimPort(file, workDir, base)
// for "--bus sim:FILE" (file empty for plain "sim", content in memory only).

#include <cstdint>
#include <string>

#include "PortBackend.h"

// A relative file lies in workDir. On failure the result carries the reason.
[[nodiscard]] PortOpenResult OpenSimPort(const std::string& file, const std::string& workDir,
                                         uint16_t basePort = DEFAULT_LPT_BASE);
