#pragma once
// Where the parallel port's register block starts unless DEF.INI's LPT= says otherwise.
// The bus, the backends and the configuration all start from this one value.

#include <cstdint>

// LPT1 on a PC: data at 0x378, status at 0x379, control at 0x37A.
inline constexpr uint16_t DEFAULT_LPT_BASE = 0x378;
