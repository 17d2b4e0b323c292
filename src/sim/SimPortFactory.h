#pragma once
// Opens the port backend named by the --bus option: the simulated interface, or one of
// the real parallel-port backends.

#include <string>

#include "PortBackend.h"

// option as given on the command line ("sim", "sim:FILE", "ppdev:DEVICE", "direct");
// a relative sim FILE lies in workDir. On failure the result carries the reason.
PortOpenResult OpenPortBackend(const std::string& option, const std::string& workDir,
                               uint16_t basePort = DEFAULT_LPT_BASE);
