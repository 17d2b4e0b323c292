#pragma once
// orvane-encode --decode: what a receiver shows for an EEPROM file (the chip's 4096 bytes,
// or the tool's own -o output) or, for "-", for receiver capture lines on `in`.

#include <iosfwd>
#include <string>

// Prints the on-air lines (or one JSON object) on `out`; a file that is no group image is
// named on `err` and gives EXIT_USAGE.
int RunDecodeTool(const std::string& file, bool json, std::istream& in, std::ostream& out, std::ostream& err);
