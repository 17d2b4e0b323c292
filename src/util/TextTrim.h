#pragma once
// The one trimmer of line ends: bytes compared as signed, so an accented letter (0x80..0xFF)
// at the very end goes with the control characters, as every reader of station files did.

#include <cstddef>
#include <string>

#include "RdsTypes.h"

// Drops trailing bytes below `limit` (signed), keeping at least `keep` bytes.
inline void TrimTrailingBelow(std::string& line, int limit, std::size_t keep = 0) {
    std::size_t end = line.size();
    while (end > keep && IsBelowSigned(line[end - 1], limit)) --end;
    line.resize(end);
}
