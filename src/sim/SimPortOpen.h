#pragma once
// Opens the simulated interface and X24C32 as a bus backend: OpenSimPort(file, workDir, base)
// for "--bus sim:FILE" (file empty for plain "sim", content in memory only).
// For long test runs three variables reach the chip: ORVANE_SIM_FAULTS="seed=N,missack=P,flip=P"
// sets its fault switches, ORVANE_SIM_WEAR=FILE gets "address writes" lines at the end, and
// while the file ORVANE_SIM_OFF names exists the interface does not answer.

#include <cstdint>
#include <string>

#include "PortBackend.h"

// A relative file lies in workDir. On failure the result carries the reason.
[[nodiscard]] PortOpenResult OpenSimPort(const std::string& file, const std::string& workDir,
                                         uint16_t basePort = DEFAULT_LPT_BASE);
